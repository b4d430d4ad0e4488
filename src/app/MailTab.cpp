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

using namespace kestrune::actions;
using namespace kestrune::core;

namespace kestrune::app {

namespace {

// Each failing test replaces the message, so the one shown is that of the last failing test.
void require(QString& message, bool ok, const char* text)
{
    if (!ok)
        message = QString::fromLatin1(text);
}

} // namespace

MailTab::MailTab(QWidget* parent) : LazyTab(parent)
{
    setObjectName(QStringLiteral("mailTab"));
}

void MailTab::build()
{
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
            [this] { m_portEdit->setText(toQString(webmailDefaultPortText(sslChosen(), startTlsChosen()))); });
    // The box's click handling also runs when the program (the settings) changes it.
    connect(m_sendMailCheck, &QCheckBox::toggled, this, &MailTab::updateTestButton);
}

MailTab::Security MailTab::securityOf(const Settings& settings)
{
    // SSL wins over STARTTLS when the file sets both.
    return settings.mailSsl ? SecuritySslTls : settings.mailStartTls ? SecurityStartTls : SecurityNone;
}

void MailTab::settleAsShown(Settings& settings)
{
    const Security security = securityOf(settings);
    settings.mailSsl = security == SecuritySslTls;
    settings.mailStartTls = security == SecurityStartTls;
}

void MailTab::loadSetting(Setting id, const Settings& settings)
{
    ensureBuilt();
    switch (id) {
    case Setting::SendMail: m_sendMailCheck->setChecked(settings.sendMail); break;
    case Setting::MailTo: m_toEdit->setText(shownText(settings.mailTo)); break;
    case Setting::MailServer: m_serverEdit->setText(shownText(settings.mailServer)); break;
    case Setting::MailFrom: m_fromEdit->setText(shownText(settings.mailFrom)); break;
    case Setting::MailSubject: m_subjectEdit->setText(shownText(settings.mailSubject)); break;
    case Setting::WebAuth: m_loginCheck->setChecked(settings.webAuth); break;
    case Setting::WebUser: m_userEdit->setText(shownText(settings.webUser)); break;
    case Setting::WebPass: m_passwordEdit->setText(shownText(settings.webPass)); break;
    case Setting::MailPort: m_portEdit->setText(shownText(settings.mailPort)); break;
    case Setting::MailSsl:
    case Setting::MailStartTls: m_securityCombo->setCurrentIndex(securityOf(settings)); break;
    case Setting::MailAnyCertificate: m_anyCertificateCheck->setChecked(settings.mailAnyCertificate); break;
    default: break;
    }
}

void MailTab::storeSettings(Settings& settings, const Settings& loaded) const
{
    ensureBuilt();
    settings.sendMail = m_sendMailCheck->isChecked();
    settings.mailTo = keptBytes(m_toEdit->text(), loaded.mailTo);
    settings.mailServer = keptBytes(m_serverEdit->text(), loaded.mailServer);
    settings.mailFrom = keptBytes(m_fromEdit->text(), loaded.mailFrom);
    settings.mailSubject = keptBytes(m_subjectEdit->text(), loaded.mailSubject);
    settings.webAuth = m_loginCheck->isChecked();
    settings.webUser = keptBytes(m_userEdit->text(), loaded.webUser);
    settings.webPass = keptBytes(m_passwordEdit->text(), loaded.webPass);
    settings.mailPort = keptBytes(m_portEdit->text(), loaded.mailPort);
    settings.mailSsl = sslChosen();
    settings.mailStartTls = startTlsChosen();
    settings.mailAnyCertificate = m_anyCertificateCheck->isChecked();
}

MailSenderSettings MailTab::mailSettings() const
{
    ensureBuilt();
    MailSenderSettings settings;
    settings.to = toBytes(m_toEdit->text());
    settings.smtpServer = toBytes(m_serverEdit->text());
    settings.portText = toBytes(m_portEdit->text());
    settings.ssl = sslChosen();
    settings.startTls = startTlsChosen();
    settings.anyCertificate = m_anyCertificateCheck->isChecked();
    settings.from = toBytes(m_fromEdit->text());
    settings.subject = toBytes(m_subjectEdit->text());
    settings.loginRequired = m_loginCheck->isChecked();
    settings.user = toBytes(m_userEdit->text());
    settings.password = toBytes(m_passwordEdit->text());
    return settings;
}

bool MailTab::sslChosen() const { return m_securityCombo->currentIndex() == SecuritySslTls; }

bool MailTab::startTlsChosen() const { return m_securityCombo->currentIndex() == SecurityStartTls; }

void MailTab::updateTestButton()
{
    ensureBuilt();
    m_testMailButton->setEnabled(m_sendMailCheck->isChecked());
}

QString MailTab::missingEntryMessage() const
{
    ensureBuilt();
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
