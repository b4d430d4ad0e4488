#include "LocalFilesTab.h"

#include "LayoutHelpers.h"
#include "Settings.h"
#include "SpinBox.h"
#include "Utf8Text.h"

#include <QCheckBox>
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

int logStep(int value)
{
    if (value >= 0 && value < 100)
        return 1;
    if (value >= 100 && value < 1000)
        return 10;
    if (value >= 1000 && value < 10000)
        return 100;
    return 200;
}

} // namespace

LocalFilesTab::LocalFilesTab(QWidget* parent) : LazyTab(parent)
{
    setObjectName(QStringLiteral("localFilesTab"));
}

void LocalFilesTab::build()
{
    auto* page = new QVBoxLayout(this);

    QGroupBox* addressFile = layout::group(this, QStringLiteral("IP address file "));
    auto* addressGrid = new QGridLayout(addressFile);
    m_saveAddressCheck =
        layout::checkBox(addressFile, QStringLiteral("saveAddressCheck"), QStringLiteral("&Capture IP address"));
    m_addressFileEdit = layout::edit(addressFile, QStringLiteral("addressFileEdit"));
    m_browseAddressFileButton =
        layout::button(addressFile, QStringLiteral("browseAddressFileButton"), QStringLiteral("Save &As.."));
    m_testAddressFileButton =
        layout::button(addressFile, QStringLiteral("testAddressFileButton"), QStringLiteral("&Test"));
    addressGrid->addWidget(m_saveAddressCheck, 0, 0, 1, 2);
    addressGrid->addWidget(layout::caption(addressFile, QStringLiteral("Filename:")), 1, 0);
    addressGrid->addWidget(m_addressFileEdit, 1, 1);
    addressGrid->addWidget(m_browseAddressFileButton, 1, 2);
    addressGrid->addWidget(m_testAddressFileButton, 2, 2);
    addressGrid->setColumnStretch(1, 1);
    page->addWidget(addressFile);

    QGroupBox* log = layout::group(this, QStringLiteral("Log file "));
    auto* logGrid = new QGridLayout(log);
    m_logCheck = layout::checkBox(log, QStringLiteral("logCheck"), QStringLiteral("&Enable Log file"));
    m_logFileEdit = layout::edit(log, QStringLiteral("logFileEdit"));
    m_browseLogButton = layout::button(log, QStringLiteral("browseLogButton"), QStringLiteral("Sa&ve As.."));
    m_logLinesSpin = new SpinBox(log);
    m_logLinesSpin->setObjectName(QStringLiteral("logLinesSpin"));
    m_logLinesSpin->setValue(100);
    logGrid->addWidget(m_logCheck, 0, 0, 1, 2);
    logGrid->addWidget(layout::caption(log, QStringLiteral("Filename:")), 1, 0);
    logGrid->addWidget(m_logFileEdit, 1, 1);
    logGrid->addWidget(m_browseLogButton, 1, 2);
    auto* lines = new QHBoxLayout;
    lines->addWidget(layout::caption(log, QStringLiteral("Max log size:")));
    lines->addWidget(m_logLinesSpin);
    lines->addWidget(layout::caption(log, QStringLiteral("lines.")));
    lines->addStretch();
    logGrid->addLayout(lines, 2, 0, 1, 3);
    logGrid->setColumnStretch(1, 1);
    page->addWidget(log);

    QGroupBox* command = layout::group(this, QStringLiteral("Command "));
    auto* commandGrid = new QGridLayout(command);
    m_runCommandCheck = layout::checkBox(command, QStringLiteral("runCommandCheck"), QStringLiteral("&Run a command"));
    m_commandEdit = layout::edit(command, QStringLiteral("commandEdit"));
    m_commandEdit->setToolTip(QStringLiteral("The program and its arguments; {IP} is the new address."));
    commandGrid->addWidget(m_runCommandCheck, 0, 0, 1, 2);
    commandGrid->addWidget(layout::caption(command, QStringLiteral("Command:")), 1, 0);
    commandGrid->addWidget(m_commandEdit, 1, 1);
    m_commandPasswordEdit = layout::edit(command, QStringLiteral("commandPasswordEdit"));
    m_commandPasswordEdit->setToolTip(QStringLiteral("Handed to the command as KESTRUNE_PASSWORD in its environment."));
    layout::maskWithPlus(this, {m_commandPasswordEdit});
    commandGrid->addWidget(layout::caption(command, QStringLiteral("Password:")), 2, 0);
    commandGrid->addWidget(m_commandPasswordEdit, 2, 1);
    commandGrid->setColumnStretch(1, 1);
    page->addWidget(command);
    page->addStretch();

    connect(m_testAddressFileButton, &QPushButton::clicked, this, &LocalFilesTab::testAddressFileRequested);
    connect(m_browseAddressFileButton, &QPushButton::clicked, this, &LocalFilesTab::browseAddressFileRequested);
    connect(m_browseLogButton, &QPushButton::clicked, this, &LocalFilesTab::browseLogRequested);
    connect(m_logLinesSpin, &SpinBox::changed, this,
            [this] { m_logLinesSpin->setIncrement(logStep(m_logLinesSpin->value())); });
}

void LocalFilesTab::loadSetting(Setting id, const Settings& settings)
{
    ensureBuilt();
    switch (id) {
    case Setting::SaveIp: m_saveAddressCheck->setChecked(settings.saveIp); break;
    case Setting::IpFilename: m_addressFileEdit->setText(shownText(settings.ipFilename)); break;
    case Setting::SaveLog: m_logCheck->setChecked(settings.saveLog); break;
    case Setting::LogFilename: m_logFileEdit->setText(shownText(settings.logFilename)); break;
    case Setting::LogLines: m_logLinesSpin->setValue(settings.logLines); break;
    case Setting::RunCommand: m_runCommandCheck->setChecked(settings.runCommand); break;
    case Setting::Command: m_commandEdit->setText(shownText(settings.command)); break;
    case Setting::CommandPassword: m_commandPasswordEdit->setText(shownText(settings.commandPassword)); break;
    default: break;
    }
}

void LocalFilesTab::storeSettings(Settings& settings, const Settings& loaded) const
{
    ensureBuilt();
    settings.saveIp = m_saveAddressCheck->isChecked();
    settings.ipFilename = keptBytes(m_addressFileEdit->text(), loaded.ipFilename);
    settings.saveLog = m_logCheck->isChecked();
    settings.logFilename = keptBytes(m_logFileEdit->text(), loaded.logFilename);
    settings.logLines = m_logLinesSpin->value();
    settings.runCommand = m_runCommandCheck->isChecked();
    settings.command = keptBytes(m_commandEdit->text(), loaded.command);
    settings.commandPassword = keptBytes(m_commandPasswordEdit->text(), loaded.commandPassword);
}

} // namespace kestrune::app
