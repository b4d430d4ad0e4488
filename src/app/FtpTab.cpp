#include "FtpTab.h"

#include "LayoutHelpers.h"
#include "Settings.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kestrune::core;

namespace kestrune::app {

namespace {

// Each failing test replaces the message, so the one shown is that of the last failing test.
void require(QString& message, bool ok, const char* text)
{
    if (!ok)
        message = QString::fromLatin1(text);
}

bool isFile(const QString& path) { return !path.isEmpty() && QFileInfo(path).isFile(); }

} // namespace

FtpTab::FtpTab(QWidget* parent) : LazyTab(parent)
{
    setObjectName(QStringLiteral("ftpTab"));
}

void FtpTab::build()
{
    auto* page = new QVBoxLayout(this);

    QGroupBox* server = layout::group(this, QStringLiteral("FTP Server "));
    auto* grid = new QGridLayout(server);
    m_hostEdit = layout::edit(server, QStringLiteral("ftpHostEdit"));
    m_usernameEdit = layout::edit(server, QStringLiteral("ftpUsernameEdit"));
    m_passwordEdit = layout::edit(server, QStringLiteral("ftpPasswordEdit"));
    grid->addWidget(layout::caption(server, QStringLiteral("Host")), 0, 0);
    grid->addWidget(m_hostEdit, 0, 1, 1, 2);
    grid->addWidget(layout::caption(server, QStringLiteral("Username")), 1, 0);
    grid->addWidget(m_usernameEdit, 1, 1);
    grid->addWidget(layout::caption(server, QStringLiteral("Password")), 2, 0);
    grid->addWidget(m_passwordEdit, 2, 1);
    m_rememberPasswordCheck =
        layout::checkBox(server, QStringLiteral("rememberPasswordCheck"), QStringLiteral("Re&member password"));
    m_enableCheck = layout::checkBox(server, QStringLiteral("ftpEnableCheck"), QStringLiteral("&Enable FTP"));
    m_uploadButton = layout::button(server, QStringLiteral("uploadButton"), QStringLiteral("&Upload"));
    grid->addWidget(m_rememberPasswordCheck, 2, 2);
    grid->addWidget(m_enableCheck, 3, 1);
    grid->addWidget(m_uploadButton, 3, 2);
    m_passiveCheck = layout::checkBox(server, QStringLiteral("ftpPassiveCheck"), QStringLiteral("Pass&ive mode"));
    m_tlsCheck = layout::checkBox(server, QStringLiteral("ftpTlsCheck"), QStringLiteral("Use TL&S"));
    m_anyCertificateCheck = layout::checkBox(server, QStringLiteral("ftpAnyCertificateCheck"),
                                             QStringLiteral("Accept an&y certificate"));
    auto* connection = new QHBoxLayout;
    for (QCheckBox* box : {m_passiveCheck, m_tlsCheck, m_anyCertificateCheck})
        connection->addWidget(box);
    connection->addStretch();
    grid->addLayout(connection, 4, 1, 1, 2);
    grid->setColumnStretch(1, 1);
    page->addWidget(server);

    QGroupBox* files = layout::group(this, QStringLiteral("FTP filenames "));
    auto* fileGrid = new QGridLayout(files);
    m_templateEdit = layout::edit(files, QStringLiteral("templateEdit"));
    m_browseTemplateButton =
        layout::button(files, QStringLiteral("browseTemplateButton"), QStringLiteral("&Browse.."));
    m_remoteFileEdit = layout::edit(files, QStringLiteral("remoteFileEdit"));
    fileGrid->addWidget(layout::caption(files, QStringLiteral("Local template:")), 0, 0);
    fileGrid->addWidget(m_templateEdit, 0, 1);
    fileGrid->addWidget(m_browseTemplateButton, 0, 2);
    fileGrid->addWidget(layout::caption(files, QStringLiteral("Remote Filename:")), 1, 0);
    fileGrid->addWidget(m_remoteFileEdit, 1, 1);
    fileGrid->setColumnStretch(1, 1);
    page->addWidget(files);
    page->addStretch();
    layout::maskWithPlus(this, {m_passwordEdit});

    for (QLineEdit* field : {m_hostEdit, m_usernameEdit, m_passwordEdit, m_templateEdit, m_remoteFileEdit})
        connect(field, &QLineEdit::textChanged, this, &FtpTab::updateUploadButton);
    connect(m_uploadButton, &QPushButton::clicked, this, &FtpTab::uploadRequested);
    connect(m_browseTemplateButton, &QPushButton::clicked, this, &FtpTab::browseTemplateRequested);
}

void FtpTab::loadSetting(Setting id, const Settings& settings)
{
    ensureBuilt();
    switch (id) {
    case Setting::FtpEnable: m_enableCheck->setChecked(settings.ftpEnable); break;
    case Setting::FtpHost: m_hostEdit->setText(shownText(settings.ftpHost)); break;
    case Setting::FtpUsername: m_usernameEdit->setText(shownText(settings.ftpUsername)); break;
    case Setting::FtpPassword: m_passwordEdit->setText(shownText(settings.ftpPassword)); break;
    case Setting::FtpSavePass: m_rememberPasswordCheck->setChecked(settings.ftpSavePass); break;
    case Setting::FtpLocalFile: m_templateEdit->setText(shownText(settings.ftpLocalFile)); break;
    case Setting::FtpRemoteFile: m_remoteFileEdit->setText(shownText(settings.ftpRemoteFile)); break;
    case Setting::FtpPassive: m_passiveCheck->setChecked(settings.ftpPassive); break;
    case Setting::FtpTls: m_tlsCheck->setChecked(settings.ftpTls); break;
    case Setting::FtpAnyCertificate: m_anyCertificateCheck->setChecked(settings.ftpAnyCertificate); break;
    default: break;
    }
}

void FtpTab::storeSettings(Settings& settings, const Settings& loaded) const
{
    ensureBuilt();
    settings.ftpEnable = m_enableCheck->isChecked();
    settings.ftpHost = keptBytes(m_hostEdit->text(), loaded.ftpHost);
    settings.ftpUsername = keptBytes(m_usernameEdit->text(), loaded.ftpUsername);
    settings.ftpPassword = keptBytes(m_passwordEdit->text(), loaded.ftpPassword);
    settings.ftpSavePass = m_rememberPasswordCheck->isChecked();
    settings.ftpLocalFile = keptBytes(m_templateEdit->text(), loaded.ftpLocalFile);
    settings.ftpRemoteFile = keptBytes(m_remoteFileEdit->text(), loaded.ftpRemoteFile);
    settings.ftpPassive = m_passiveCheck->isChecked();
    settings.ftpTls = m_tlsCheck->isChecked();
    settings.ftpAnyCertificate = m_anyCertificateCheck->isChecked();
}

void FtpTab::updateUploadButton()
{
    ensureBuilt();
    bool filled = true;
    for (const QLineEdit* field : {m_hostEdit, m_usernameEdit, m_passwordEdit, m_templateEdit, m_remoteFileEdit})
        filled = filled && !field->text().isEmpty();
    m_uploadButton->setEnabled(filled);
}

QString FtpTab::missingEntryMessage() const
{
    ensureBuilt();
    QString message;
    require(message, !m_hostEdit->text().isEmpty(), "Remote Host needs to be specified.");
    require(message, !m_usernameEdit->text().isEmpty(), "Username needs to be specified.");
    require(message, !m_passwordEdit->text().isEmpty(), "Password needs to be specified.");
    require(message, isFile(m_templateEdit->text()), "Local file does not exist.");
    require(message, !m_remoteFileEdit->text().isEmpty(), "A remote filename needs to be specified.");
    return message;
}

} // namespace kestrune::app
