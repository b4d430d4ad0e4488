#include "MailTab.h"

#include "LayoutHelpers.h"
#include "Settings.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune::app {

namespace {

// Each failing test replaces the message, so the one shown is that of the last failing test.
void require(QString& message, bool ok, const char* text)
{
    if (!ok)
        message = QString::fromLatin1(text);
}

} // namespace

MailTab::MailTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("mailTab"));
    auto* page = new QVBoxLayout(this);

    QGroupBox* mail = layout::group(this, QStringLiteral("Email "));
    auto* grid = new QGridLayout(mail);
    m_sendMailCheck = layout::checkBox(mail, QStringLiteral("sendMailCheck"), QStringLiteral("Send e-&mail to:"));
    m_toEdit = layout::edit(mail, QStringLiteral("mailToEdit"));
    m_serverEdit = layout::edit(mail, QStringLiteral("mailServerEdit"));
    m_portEdit = layout::edit(mail, QStringLiteral("mailPortEdit"), QStringLiteral("25"));
    m_portEdit->setMaximumWidth(m_portEdit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_securityCombo = new QComboBox(mail);
    m_securityCombo->setObjectName(QStringLiteral("mailSecurityCombo"));
    m_securityCombo->addItems({QStringLiteral("None"), QStringLiteral("STARTTLS"), QStringLiteral("SSL/TLS")});
    auto* securityCaption = layout::caption(mail, QStringLiteral("Securit&y:"));
    securityCaption->setBuddy(m_securityCombo);
    auto* security = new QHBoxLayout;
    security->addWidget(securityCaption);
    security->addWidget(m_securityCombo);
    m_anyCertificateCheck = layout::checkBox(mail, QStringLiteral("mailAnyCertificateCheck"),
                                             QStringLiteral("Accept a&ny certificate"));
    m_defaultPortButton = layout::button(mail, QStringLiteral("defaultPortButton"), QStringLiteral("Set &Default"));
    m_fromEdit = layout::edit(mail, QStringLiteral("mailFromEdit"));
    m_subjectEdit = layout::edit(mail, QStringLiteral("mailSubjectEdit"), QStringLiteral("Feedback from Kestrune"));

    grid->addWidget(m_sendMailCheck, 0, 0);
    grid->addWidget(m_toEdit, 0, 1, 1, 3);
    grid->addWidget(layout::caption(mail, QStringLiteral("SMTP Server:")), 1, 0);
    grid->addWidget(m_serverEdit, 1, 1, 1, 3);
    grid->addWidget(layout::caption(mail, QStringLiteral("Port:")), 2, 0);
    grid->addWidget(m_portEdit, 2, 1);
    grid->addLayout(security, 2, 2);
    grid->addWidget(m_defaultPortButton, 2, 3);
    grid->addWidget(m_anyCertificateCheck, 3, 2, 1, 2);
    grid->addWidget(layout::caption(mail, QStringLiteral("From address:")), 4, 0);
    grid->addWidget(m_fromEdit, 4, 1, 1, 3);
    grid->addWidget(layout::caption(mail, QStringLiteral("Subject:")), 5, 0);
    grid->addWidget(m_subjectEdit, 5, 1, 1, 3);

    m_loginPanel = layout::panel(mail, QStringLiteral("mailLoginPanel"));
    auto* login = new QGridLayout(m_loginPanel);
    m_loginCheck = layout::checkBox(m_loginPanel, QStringLiteral("mailLoginCheck"), QStringLiteral("Lo&gin required"));
    m_userEdit = layout::edit(m_loginPanel, QStringLiteral("mailUserEdit"));
    m_passwordEdit = layout::edit(m_loginPanel, QStringLiteral("mailPasswordEdit"));
    login->addWidget(m_loginCheck, 0, 0, 1, 2);
    login->addWidget(layout::caption(m_loginPanel, QStringLiteral("Username:")), 1, 0);
    login->addWidget(m_userEdit, 1, 1);
    login->addWidget(layout::caption(m_loginPanel, QStringLiteral("Password:")), 2, 0);
    login->addWidget(m_passwordEdit, 2, 1);
    grid->addWidget(m_loginPanel, 6, 0, 1, 3);
    m_testMailButton = layout::button(mail, QStringLiteral("testMailButton"), QStringLiteral("&Test"));
    grid->addWidget(m_testMailButton, 6, 3, Qt::AlignBottom);
    grid->setColumnStretch(2, 1);
    page->addWidget(mail);
    page->addStretch();
    layout::maskWithPlus(this, {m_passwordEdit});

    connect(m_testMailButton, &QPushButton::clicked, this, &MailTab::testMailRequested);
    connect(m_defaultPortButton, &QPushButton::clicked, this,
            [this] { m_portEdit->setText(toQString(WebmailDefaultPortText(sslChosen(), startTlsChosen()))); });
    // The box's click handling also runs when the program (the settings) changes it.
    connect(m_sendMailCheck, &QCheckBox::toggled, this, &MailTab::updateTestButton);
}

void MailTab::loadSetting(ESetting id, const TSettings& settings)
{
    switch (id) {
    case ESetting::SendMail: m_sendMailCheck->setChecked(settings.SendMail); break;
    case ESetting::MailTo: m_toEdit->setText(shownText(settings.MailTo)); break;
    case ESetting::MailServer: m_serverEdit->setText(shownText(settings.MailServer)); break;
    case ESetting::MailFrom: m_fromEdit->setText(shownText(settings.MailFrom)); break;
    case ESetting::MailSubject: m_subjectEdit->setText(shownText(settings.MailSubject)); break;
    case ESetting::WebAuth: m_loginCheck->setChecked(settings.WebAuth); break;
    case ESetting::WebUser: m_userEdit->setText(shownText(settings.WebUser)); break;
    case ESetting::WebPass: m_passwordEdit->setText(shownText(settings.WebPass)); break;
    case ESetting::MailPort: m_portEdit->setText(shownText(settings.MailPort)); break;
    // SSL wins over STARTTLS when the file sets both.
    case ESetting::MailSSL:
    case ESetting::MailStartTLS:
        m_securityCombo->setCurrentIndex(settings.MailSSL ? SecuritySslTls
                                         : settings.MailStartTLS ? SecurityStartTls : SecurityNone);
        break;
    case ESetting::MailAnyCertificate: m_anyCertificateCheck->setChecked(settings.MailAnyCertificate); break;
    default: break;
    }
}

void MailTab::storeSettings(TSettings& settings, const TSettings& loaded) const
{
    settings.SendMail = m_sendMailCheck->isChecked();
    settings.MailTo = keptBytes(m_toEdit->text(), loaded.MailTo);
    settings.MailServer = keptBytes(m_serverEdit->text(), loaded.MailServer);
    settings.MailFrom = keptBytes(m_fromEdit->text(), loaded.MailFrom);
    settings.MailSubject = keptBytes(m_subjectEdit->text(), loaded.MailSubject);
    settings.WebAuth = m_loginCheck->isChecked();
    settings.WebUser = keptBytes(m_userEdit->text(), loaded.WebUser);
    settings.WebPass = keptBytes(m_passwordEdit->text(), loaded.WebPass);
    settings.MailPort = keptBytes(m_portEdit->text(), loaded.MailPort);
    settings.MailSSL = sslChosen();
    settings.MailStartTLS = startTlsChosen();
    settings.MailAnyCertificate = m_anyCertificateCheck->isChecked();
}

TWebmailSettings MailTab::mailSettings() const
{
    TWebmailSettings settings;
    settings.To = toBytes(m_toEdit->text());
    settings.SMTPServer = toBytes(m_serverEdit->text());
    settings.PortText = toBytes(m_portEdit->text());
    settings.SSL = sslChosen();
    settings.StartTLS = startTlsChosen();
    settings.AnyCertificate = m_anyCertificateCheck->isChecked();
    settings.From = toBytes(m_fromEdit->text());
    settings.Subject = toBytes(m_subjectEdit->text());
    settings.LoginRequired = m_loginCheck->isChecked();
    settings.User = toBytes(m_userEdit->text());
    settings.Password = toBytes(m_passwordEdit->text());
    return settings;
}

bool MailTab::sslChosen() const { return m_securityCombo->currentIndex() == SecuritySslTls; }

bool MailTab::startTlsChosen() const { return m_securityCombo->currentIndex() == SecurityStartTls; }

void MailTab::updateTestButton() { m_testMailButton->setEnabled(m_sendMailCheck->isChecked()); }

QString MailTab::missingEntryMessage() const
{
    QString message;
    require(message, !m_toEdit->text().isEmpty(), "A To: address needs to be specified.");
    require(message, !m_serverEdit->text().isEmpty(), "An SMTP server needs to be specified.");
    if (m_loginCheck->isChecked()) {
        require(message, !m_userEdit->text().isEmpty(), "Username needs to be specified.");
        require(message, !m_passwordEdit->text().isEmpty(), "Password needs to be specified.");
    }
    return message;
}

} // namespace kestrune::app
