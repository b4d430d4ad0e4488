#include "MainWindow.h"

#include "Ipv6Tab.h"

#include "DnsUpdateTab.h"
#include "NoticesTab.h"
#include "ExternalServiceTab.h"
#include "FtpTab.h"
#include "IniFile.h"
#include "ListRows.h"
#include "LocalFilesTab.h"
#include "LookupStore.h"
#include "MailTab.h"
#include "PageInspectorTab.h"
#include "SelectionCode.h"
#include "Settings.h"
#include "SettingsTable.h"
#include "SpinBox.h"
#include "SystemTab.h"
#include "TrayIcon.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

using namespace kestrune::core;
using namespace kestrune::lookup;
using namespace kestrune::net;

namespace kestrune::app {

namespace {

const char* const kHelpResource = ":/kestrune/help/kestrune.html";

constexpr int kLoadedBytesRole = Qt::UserRole;

std::string_view firstServiceUrl() { return kExternalServices[0].url; }

// A lookup name carries its loaded bytes, which stay with it however rows are added or removed.
QListWidgetItem* nameItem(const std::string& name)
{
    auto* item = new QListWidgetItem(shownText(name));
    item->setData(kLoadedBytesRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    return item;
}

std::string nameBytes(const QListWidgetItem& item)
{
    const QByteArray loaded = item.data(kLoadedBytesRole).toByteArray();
    return keptBytes(item.text(), std::string(loaded.constData(), static_cast<std::size_t>(loaded.size())));
}

} // namespace

void MainWindow::runStartUp()
{
    loadSettings();
    m_monitor->resumeRetries();
    if (!startFilesWritten())
        return;
    setDebugView(m_systemTab->debugCheck()->isChecked());
    setTimerEnabled(m_startMinimizedTimer, m_systemTab->startMinimizedCheck()->isChecked());
    listRows::setChecked(m_externalServiceTab->presetRecordsList(), 0, true);
    listRows::setChecked(m_externalServiceTab->presetRecordsList(), 2, true);
    restoreSelectedLookup();
    m_externalServiceTab->lookupButton()->setEnabled(m_externalServiceTab->externalRadio()->isChecked());
    m_trayIcon->setMinimizeToTray(m_systemTab->minimizeToTrayCheck()->isChecked());
    m_systemTab->showAutoStartCaption(m_systemTab->intervalSpin()->value());
    // The first check runs once the event loop does: its waits and message boxes then run inside the loop, where a
    // termination signal reaches the close path.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!m_ending)
                guarded([this] { request(&core::Monitor::startUp); });
        },
        Qt::QueuedConnection);
}

bool MainWindow::startFilesWritten()
{
    try {
        writeHelpFileIfMissing();
    } catch (const std::exception& error) {
        m_dialogs.showError(QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

void MainWindow::restoreSelectedLookup()
{
    QListWidget* userList = m_userLookupsTab->userLookupList();
    QListWidget* presetList = m_userLookupsTab->presetList();
    const Selection selection = resolveSelectionCode(m_selectionCode, static_cast<std::size_t>(userList->count()),
                                                      static_cast<std::size_t>(presetList->count()));
    switch (selection.kind) {
    case Selection::None:
        // A code naming no row (a hand-edited file) selects nothing and is not written back.
        if (m_selectionCode >= 0)
            m_selectionCode = kNoSelection;
        break;
    case Selection::User:
        m_userLookupsTab->removeButton()->setEnabled(true);
        userList->setCurrentRow(static_cast<int>(selection.row));
        onUserLookupChosen();
        break;
    case Selection::Preset:
        m_userLookupsTab->applyButton()->setEnabled(false);
        m_userLookupsTab->removeButton()->setEnabled(false);
        presetList->setCurrentRow(static_cast<int>(selection.row));
        onPresetChosen();
        break;
    }
}

void MainWindow::writeHelpFileIfMissing()
{
    std::error_code ignored;
    if (std::filesystem::exists(m_paths.helpFile, ignored))
        return;
    if (m_paths.inConfigFolder)
        ensureAppFolder(m_paths);
    QFile resource(QString::fromLatin1(kHelpResource));
    if (!resource.open(QIODevice::ReadOnly))
        throw std::runtime_error("The help document is missing from the program.");
    const QByteArray bytes = resource.readAll();

    const QString path = QString::fromStdString(m_paths.helpFile.string());
    QFile target(path);
    if (target.open(QIODevice::WriteOnly | QIODevice::Truncate) && target.write(bytes) == bytes.size() &&
        target.flush())
        return;
    const QString reason = target.errorString();
    // A cut-off copy would count as present at the next start and never be written again.
    if (target.isOpen()) {
        target.close();
        target.remove();
    }
    throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason).toStdString());
}

void MainWindow::onShown()
{
    if (!m_shownBefore) {
        m_shownBefore = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    setAcceptDrops(true);
    m_tabs->setCurrentWidget(m_userLookupsTab);
}

void MainWindow::onCloseQuery(bool& canClose)
{
    canClose = false;
    try {
        saveSettings();
    } catch (const std::exception& error) {
        if (!m_ending) {
            m_dialogs.showError(QString::fromUtf8(error.what()));
            return;
        }
        // No one may be there to answer a message box; the files stay for the next start.
        std::fprintf(stderr, "Kestrune: %s\n", error.what());
        std::fflush(stderr);
        m_exitStatus = 1;
        canClose = true;
        return;
    }
    removeFilesAtClose();
    canClose = true;
}

void MainWindow::removeFilesAtClose()
{
    std::error_code ignored;
    // The log's temporary file has an unpredictable name and is gone once an entry is written; the log's name
    // with ".tmp" may well be a file of the user's, so it is left alone.
    if (std::filesystem::is_regular_file(m_paths.helpFile, ignored))
        std::filesystem::remove(m_paths.helpFile, ignored);
}

void MainWindow::onExitClicked()
{
    // Closing a window hidden in the tray ends no event loop by itself; the program must end all the same.
    if (close())
        QCoreApplication::quit();
}

void MainWindow::closeFromOutside()
{
    m_ending = true;
    if (!m_closeAccepted)
        close();
    core::WaitService::cancelAll();
    // Not quit(): that asks every window again and a refusal would keep the program.
    QCoreApplication::exit(m_exitStatus);
}

void MainWindow::onSessionEnding()
{
    m_ending = true;
    bool canClose = false;
    guarded([&] { onCloseQuery(canClose); });
}

void MainWindow::onApplicationQuitting()
{
    core::WaitService::cancelAll();
    if (!m_closeAccepted)
        onSessionEnding();
}

void MainWindow::loadSettings()
{
    // A close killed while saving leaves a full copy of the file, scrambled passwords included.
    IniFile::removeStaleTemporaries(m_paths.settingsFile);
    applySettings(loadSettingsFile(m_paths.settingsFile, firstServiceUrl()));
}

// Each setting goes into its control the way a user would put it there, in the file's read order, so the
// controls' change handling runs as it would for the user.
void MainWindow::applySettings(const Settings& settings)
{
    const std::vector<LookupEntry> lookups = loadLookupEntries({settings.routers, settings.routersData});
    m_loadedSettings = settings;
    // Settings without a control stay in what the monitor reads, which may change them.
    m_settings = settings;
    QListWidget* records = m_externalServiceTab->userRecordsList();
    for (Setting id : kSettingsReadOrder) {
        switch (id) {
        case Setting::SelectedRouter: m_selectionCode = settings.selectedRouter; break;
        case Setting::Routers:
            m_userLookupsTab->userLookupList()->clear();
            for (const LookupEntry& entry : lookups)
                m_userLookupsTab->userLookupList()->addItem(nameItem(entry.name));
            break;
        case Setting::RoutersData:
            records->clear();
            for (const LookupEntry& entry : lookups)
                listRows::addRecordRow(records, entry.storedRecord, false);
            break;
        case Setting::RouterCredentials:
            for (std::size_t row = 0; row < lookups.size(); ++row)
                listRows::setChecked(records, static_cast<int>(row), lookups[row].credentials);
            break;
        case Setting::MailedIp: m_monitor->setLastMailed(settings.mailedIp); break;
        case Setting::UploadedIp: m_monitor->setLastUploaded(settings.uploadedIp); break;
        case Setting::MailedIp6: m_monitor->setLastMailed6(settings.mailedIp6); break;
        case Setting::UploadedIp6: m_monitor->setLastUploaded6(settings.uploadedIp6); break;
        default:
            m_externalServiceTab->loadSetting(id, settings);
            m_userLookupsTab->loadSetting(id, settings);
            if (m_ftpTab->isBuilt())
                m_ftpTab->loadSetting(id, settings);
            if (m_mailTab->isBuilt())
                m_mailTab->loadSetting(id, settings);
            if (m_localFilesTab->isBuilt())
                m_localFilesTab->loadSetting(id, settings);
            m_systemTab->loadSetting(id, settings);
            if (m_ipv6Tab->isBuilt())
                m_ipv6Tab->loadSetting(id, settings);
            break;
        }
    }
    // A tab not built yet keeps its settings here as it would give them back, so they are saved and checked
    // with the same values.
    if (!m_mailTab->isBuilt())
        MailTab::settleAsShown(m_settings);
    if (!m_ipv6Tab->isBuilt())
        Ipv6Tab::settleAsShown(m_settings);
    if (m_dnsUpdateTab->isBuilt())
        m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries);
    if (m_noticesTab->isBuilt())
        m_noticesTab->showEntries(m_settings.notices);
}

Settings MainWindow::settingsFromTabs() const
{
    const Settings& was = m_loadedSettings;
    // Settings without a control, or in a tab not built yet, go back as the window holds them; the tabs write
    // over the rest.
    Settings s = m_settings;
    m_externalServiceTab->storeSettings(s, was);
    m_userLookupsTab->storeSettings(s, was);
    s.selectedRouter = m_selectionCode;
    const QListWidget* names = m_userLookupsTab->userLookupList();
    const QListWidget* records = m_externalServiceTab->userRecordsList();
    std::vector<LookupEntry> lookups;
    for (int row = 0; row < names->count(); ++row)
        lookups.push_back({nameBytes(*names->item(row)), listRows::recordAt(records, row),
                           listRows::isChecked(records, row)});
    LookupSections sections = storeLookupEntries(lookups);
    s.routers = std::move(sections.routers);
    s.routersData = std::move(sections.routersData);
    if (m_mailTab->isBuilt())
        m_mailTab->storeSettings(s, was);
    s.mailedIp = m_monitor->lastMailed();
    if (m_ftpTab->isBuilt())
        m_ftpTab->storeSettings(s, was);
    s.uploadedIp = m_monitor->lastUploaded();
    if (m_localFilesTab->isBuilt())
        m_localFilesTab->storeSettings(s, was);
    m_systemTab->storeSettings(s, was);
    if (m_ipv6Tab->isBuilt())
        m_ipv6Tab->storeSettings(s, was);
    s.uploadedIp6 = m_monitor->lastUploaded6();
    s.mailedIp6 = m_monitor->lastMailed6();
    return s;
}

void MainWindow::saveSettings()
{
    if (m_paths.inConfigFolder)
        ensureAppFolder(m_paths);
    saveSettingsFile(settingsFromTabs(), m_paths.settingsFile);
}

} // namespace kestrune::app
