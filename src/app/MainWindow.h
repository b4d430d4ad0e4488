#pragma once

#include "AppPaths.h"
#include "AutostartEntry.h"
#include "Dialogs.h"
#include "ExternalServices.h"
#include "LookupRecord.h"
#include "Monitor.h"
#include "MonitorObserver.h"
#include "PageFetcher.h"
#include "WaitService.h"
#include "Settings.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QMimeData;
class QSocketNotifier;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace kestrune::app {

class BusyGate;
class DnsUpdateTab;
class NoticesTab;
class ExternalServiceTab;
class FtpTab;
class HistoryView;
class LocalFilesTab;
class Ipv6Tab;
class MailTab;
class PageInspectorTab;
class PageView;
class QtTimerService;
class QtWaitHook;
class SystemTab;
class TrayIcon;
class UserLookupsTab;

// The main window: the address display, one widget per tab, the status line and the tray icon. Each tab owns
// its controls; the window hands the tabs' requests to the monitor, which holds the address and the rules, and
// renders what the monitor reports. The handlers are public so that the program's entry and the tests can run
// them as the window's events do.
class MainWindow : public QMainWindow, public core::MonitorObserver {
    Q_OBJECT
public:
    // Runs start-up before returning, the window not shown yet; the first check follows once the event loop runs.
    MainWindow(Dialogs& dialogs, const QString& executablePath, QWidget* parent = nullptr);
    ~MainWindow() override;

    ExternalServiceTab* externalServiceTab() const { return m_externalServiceTab; }
    UserLookupsTab* userLookupsTab() const { return m_userLookupsTab; }
    PageInspectorTab* pageInspectorTab() const { return m_pageInspectorTab; }
    FtpTab* ftpTab() const { return m_ftpTab; }
    MailTab* mailTab() const { return m_mailTab; }
    LocalFilesTab* localFilesTab() const { return m_localFilesTab; }
    Ipv6Tab* ipv6Tab() const { return m_ipv6Tab; }
    // The IPv6 line under the address: the address, or "no IPv6 address" and why; hidden while IPv6 is off.
    QLabel* address6Label() const { return m_address6Label; }
    DnsUpdateTab* dnsUpdateTab() const { return m_dnsUpdateTab; }
    NoticesTab* noticesTab() const { return m_noticesTab; }
    SystemTab* systemTab() const { return m_systemTab; }

    // The current address, "Error" after a failed upload, or empty.
    QLabel* addressLabel() const { return m_addressLabel; }
    QLabel* titleLabel() const { return m_titleLabel; }
    QTabWidget* tabs() const { return m_tabs; }
    QStatusBar* statusLine() const { return m_statusLine; }
    // The last failed lookup's error in the status line, where no notification area shows its balloon; hidden
    // once a lookup finds an address.
    QLabel* lookupErrorLabel() const { return m_lookupErrorLabel; }
    // The monitor's scheduler tick.
    QTimer* checkTimer() const;
    QTimer* startMinimizedTimer() const { return m_startMinimizedTimer; }
    QTimer* errorIconTimer() const { return m_errorIconTimer; }
    // The ten-minute block of an external service after a manual test (index 0 or 1).
    QTimer* serviceBlockTimer(int service) const;
    TrayIcon* trayIcon() const { return m_trayIcon; }
    QMenu* trayMenu() const { return m_trayMenu; }
    QAction* restoreAction() const { return m_restoreAction; }
    QAction* exitAction() const { return m_exitAction; }
    PageView& pageView() const;
    // The feedback form, created hidden after start-up by the program's entry.
    void setFeedbackForm(QDialog* form) { m_feedbackForm = form; }
    const FileDialogOptions& saveDialogOptions() const { return m_saveDialog; }

    // The address, what was published, the countdown and the rules.
    core::Monitor& monitor() { return *m_monitor; }
    // The page inspector's own client; the monitor's lookups have theirs.
    const core::AppPaths& paths() const { return m_paths; }
    // The services the service box offers, in its order (tests point them at local pages).
    std::vector<lookup::ExternalService>& externalServices() { return m_externalServices; }
    Dialogs& dialogs() { return m_dialogs; }
    QString executablePath() const { return m_executablePath; }

    // The selected lookup (see SelectionCode.h).
    int selectionCode() const { return m_selectionCode; }
    // The marked address's byte offset in the page, 0 when none is marked.
    std::size_t addressMark() const { return m_addressMark; }

    // Start-up, show and close.
    void onShown();
    void onCloseQuery(bool& canClose);
    void onExitClicked();
    // A termination signal: the same close path, then the program ends, even when the settings cannot be
    // written (reported on standard error, exit status 1).
    void closeFromOutside();
    // The session ends: settings written and files removed as at a close; from now on a close that cannot
    // write the settings is reported on standard error and ends the program all the same.
    void onSessionEnding();
    // The application quits without the window having closed.
    void onApplicationQuitting();
    // 1 once the settings could not be written on the way out, else 0.
    int exitStatus() const { return m_exitStatus; }

    // Settings file.
    void loadSettings();
    void saveSettings();
    core::Settings settingsFromTabs() const;
    void applySettings(const core::Settings& settings);

    // Check scheduler and lookup: requests to the monitor.
    void onStartClicked();
    void onStopClicked();
    void onIntervalChanged();
    void onIntervalBoxLeft();
    // A tick of one of the monitor's timers.
    void onTimer(core::TimerId id);
    void onLookupClicked();
    void onTestLookupClicked();
    void onExternalChosen();
    void onUserDefinedChosen();

    // User-defined lookups.
    void onUserLookupChosen();
    void onPresetChosen();
    void onNewClicked();
    void onAddClicked();
    void onApplyClicked();
    void onRemoveClicked();
    void onLookupFieldsEdited();
    void onUserLookupsTabShown();

    // Page inspector.
    void onInspectorTabShown();
    void onGetPageClicked();
    void onMarkAddressClicked();
    void onMarkKeywordClicked();
    void onAutoClicked();
    void onFindClicked();
    void onFindNext();
    void onPageSelectionChanged();
    void onPageChanged();
    void onPageMenuAboutToShow();
    void onCutClicked();
    void onCopyClicked();
    void onPasteClicked();
    void onSelectAllClicked();

    // Change actions on request.
    void onUploadClicked();
    void onBrowseTemplateClicked();
    void onTestMailClicked();
    void onTestAddressFileClicked();
    void onBrowseAddressFileClicked();
    void onBrowseLogClicked();

    // Tray icon and window states.
    void onMinimizeToTrayToggled();
    void onStartMinimizedTimer();
    void onErrorIconTimer();
    void onBalloonClicked();
    void onRestoreClicked();
    // A second start on the same settings file asked for this window: back from the tray or the taskbar.
    void onActivationRequested();
    // A failed lookup's balloon; the icon shows for as long as the error icon timer runs.
    void showErrorBalloon(const QString& text);

    // Tab check and window extras.
    void onTabChanging(bool& allowChange);
    void onDebugSwitchPressed(Qt::KeyboardModifiers modifiers);
    void onDebugToggled();
    void onHelpClicked();
    void onWebAddressClicked();
    // Files dropped on the window: the first local path goes into the page view. True when handled.
    bool dropFiles(const QMimeData* files);
    void onSystemTabShown();
    // The login box: writes or removes the autostart entry; a failure is shown and the box shows the entry.
    void onLoginStartClicked(bool checked);
    // The autostart entry that starts this program (with its settings file, when the command line chose one).
    launch::AutostartEntry autostartEntry() const;

    // Dynamic-DNS entries.
    void onDnsAddClicked();
    void onDnsEditClicked();
    void onDnsRemoveClicked();
    void onDnsClearHoldClicked();
    // Notice entries.
    void onNoticeAddClicked();
    void onNoticeEditClicked();
    void onNoticeRemoveClicked();
    void onNoticeTestClicked();
    // The feedback form, modal, at the window's left + 50 and top + 40.
    void onFeedbackClicked();
    // The history of the log's addresses, modeless; it follows the log as lines are added.
    void onHistoryClicked();
    HistoryView* historyView() const { return m_historyView; }

    // What the monitor reports.
    void addressChanged(const std::string& address) override;
    void addressFound(const std::string& address) override;
    void windowTitleChanged(const std::string& title) override;
    void statusChanged(const std::string& text) override;
    void countdownChanged(const std::string& text) override;
    void schedulerStateChanged(bool running) override;
    void intervalChanged(int minutes) override;
    void intervalRuleApplied(int minutes) override;
    void notice(core::Notice kind, const std::string& text) override;
    // Busy cursor over this window, the status text, and the requests the monitor would refuse held off.
    void busyChanged(bool busy, const std::string& text) override;
    void actionFinished(core::Action action, const std::string& error) override;
    void debugText(const std::string& text) override;
    // The settings file is saved at once, so an entry's last address or a pending retry survives a crash.
    void publishStateChanged() override;
    void serviceAnswered(const std::string& service) override;
    void diagnosisChanged(const std::string& text, bool providerHides) override;
    void address6Changed(const std::string& address, const std::string& note) override;
    void watchAddressEvents(int handle) override;
    void showTrayAddresses();

    // Runs a handler as the event loop would: an error that escapes it is shown by the general error
    // report and the program goes on.
    void guarded(const std::function<void()>& handler);
    // Enables or disables a timer; enabling a running timer restarts its interval.
    static void setTimerEnabled(QTimer* timer, bool enabled);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildHeader(QWidget* parent);
    void buildComponents();
    void connectTabs();
    void connectTray();
    void connectExtras();
    void connectLazyTabs();
    // Runs the handler of a tab's request inside guarded().
    template <class Sender, class Signal>
    void onRequest(Sender* sender, Signal signal, void (MainWindow::*handler)())
    {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    }

    void runStartUp();
    // The monitor reads the settings and page fields as the tabs show them now.
    void syncMonitor();
    core::PageFields pageFields() const;
    // Hands a request to the monitor with the tabs' values.
    void request(void (core::Monitor::*intent)());
    void writeHelpFileIfMissing();
    void removeFilesAtClose();
    bool startFilesWritten();
    void restoreSelectedLookup();
    // Empties the lookup fields, then fills them from record.
    void loadLookupFields(const lookup::LookupRecord& record);
    lookup::LookupRecord fieldsRecord() const;
    // The checks of Add and Apply; shows the failing one's message.
    bool entryFieldsAccepted();
    void applyMarkState();
    void updateFeedbackButton();
    // Fetches the page address into the page view; a failure is reported and leaves what arrived.
    void fetchIntoPageView();
    bool findInPageView(const QString& text);
    void setDebugView(bool on);
    // Runs the entry dialog until its fields make an entry or the user cancels.
    std::optional<core::DnsUpdateEntry> askDnsEntry(const core::DnsUpdateEntry& shown);
    std::optional<core::NoticeEntry> askNoticeEntry(const core::NoticeEntry& shown);

    Dialogs& m_dialogs;
    QString m_executablePath;
    core::AppPaths m_paths; // settings, help and upload files

    QLabel* m_addressLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QTabWidget* m_tabs = nullptr;
    ExternalServiceTab* m_externalServiceTab = nullptr;
    UserLookupsTab* m_userLookupsTab = nullptr;
    PageInspectorTab* m_pageInspectorTab = nullptr;
    FtpTab* m_ftpTab = nullptr;
    MailTab* m_mailTab = nullptr;
    LocalFilesTab* m_localFilesTab = nullptr;
    Ipv6Tab* m_ipv6Tab = nullptr;
    QLabel* m_address6Label = nullptr;
    QSocketNotifier* m_addressEvents = nullptr;
    // The tray's tooltip names both addresses and when they were checked.
    QString m_trayAddress;
    QString m_trayAddress6;
    QString m_trayCheckedAt;
    DnsUpdateTab* m_dnsUpdateTab = nullptr;
    NoticesTab* m_noticesTab = nullptr;
    SystemTab* m_systemTab = nullptr;
    QStatusBar* m_statusLine = nullptr;
    QLabel* m_lookupErrorLabel = nullptr;
    BusyGate* m_busyGate = nullptr;
    QString m_busyText; // the status line's text while busy, cleared at the end unless replaced

    QTimer* m_startMinimizedTimer = nullptr;
    QTimer* m_errorIconTimer = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_restoreAction = nullptr;
    QAction* m_exitAction = nullptr;
    TrayIcon* m_trayIcon = nullptr;
    QDialog* m_feedbackForm = nullptr;
    HistoryView* m_historyView = nullptr;
    FileDialogOptions m_templateDialog;
    FileDialogOptions m_saveDialog;
    lookup::PageFetcher m_pageFetcher;
    std::unique_ptr<QtWaitHook> m_waitHook;
    // Network waits let the window's events run while this lives.
    std::unique_ptr<core::WaitServiceScope> m_waitScope;
    std::vector<lookup::ExternalService> m_externalServices{std::begin(lookup::kExternalServices), std::end(lookup::kExternalServices)};
    // What the monitor reads; declared before it, which must not outlive it.
    core::Settings m_settings;
    QtTimerService* m_timerService = nullptr;
    std::unique_ptr<core::Monitor> m_monitor;

    int m_selectionCode = -1;
    bool m_shownBefore = false;
    bool m_closeAccepted = false;
    bool m_ending = false; // the program ends whatever the close finds
    int m_exitStatus = 0;
    std::size_t m_addressMark = 0;
    bool m_loadingRow = false; // a user lookup row is being loaded into the fields
    core::Settings m_loadedSettings; // as last applied: a field still showing its value is saved as these bytes
};

} // namespace kestrune::app
