#pragma once

#include "AppPaths.h"
#include "Dialogs.h"
#include "ExternalServices.h"
#include "LookupRecord.h"
#include "NetAntiFreeze.h"
#include "NetFTP.h"
#include "NetHTTP.h"
#include "Settings.h"
#include "Webmail.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QMimeData;
class QStatusBar;
class QTabWidget;
class QTimer;

namespace kestrune::app {

class ExternalServiceTab;
class FtpTab;
class LocalFilesTab;
class MailTab;
class PageInspectorTab;
class PageView;
class QtWaitHook;
class SystemTab;
class TrayIcon;
class UserLookupsTab;

// The main window: the address display, one widget per tab, the status line, the tray icon and the timers.
// Each tab owns its controls; the window wires the tabs' requests to the checks and the change actions.
// The handlers are public so that the program's entry and the tests can run them as the window's events do.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Runs start-up before returning; the window is not shown yet.
    MainWindow(Dialogs& dialogs, const QString& executablePath, QWidget* parent = nullptr);
    ~MainWindow() override;

    ExternalServiceTab* externalServiceTab() const { return m_externalServiceTab; }
    UserLookupsTab* userLookupsTab() const { return m_userLookupsTab; }
    PageInspectorTab* pageInspectorTab() const { return m_pageInspectorTab; }
    FtpTab* ftpTab() const { return m_ftpTab; }
    MailTab* mailTab() const { return m_mailTab; }
    LocalFilesTab* localFilesTab() const { return m_localFilesTab; }
    SystemTab* systemTab() const { return m_systemTab; }

    // The current address, "Error" after a failed upload, or empty.
    QLabel* addressLabel() const { return m_addressLabel; }
    QLabel* titleLabel() const { return m_titleLabel; }
    QTabWidget* tabs() const { return m_tabs; }
    QStatusBar* statusLine() const { return m_statusLine; }
    QTimer* checkTimer() const { return m_checkTimer; }
    QTimer* startMinimizedTimer() const { return m_startMinimizedTimer; }
    QTimer* errorIconTimer() const { return m_errorIconTimer; }
    // The ten-minute block of an external service after a manual test (index 0 or 1).
    QTimer* serviceBlockTimer(int service) const { return m_serviceBlockTimers.at(static_cast<std::size_t>(service)); }
    bool serviceBlocked(int service) const { return m_serviceBlocked.at(static_cast<std::size_t>(service)); }
    TrayIcon* trayIcon() const { return m_trayIcon; }
    QMenu* trayMenu() const { return m_trayMenu; }
    QAction* restoreAction() const { return m_restoreAction; }
    QAction* exitAction() const { return m_exitAction; }
    PageView& pageView() const;
    // The feedback form, created hidden after start-up by the program's entry.
    void setFeedbackForm(QDialog* form) { m_feedbackForm = form; }
    const FileDialogOptions& saveDialogOptions() const { return m_saveDialog; }

    TNetHTTP& http() { return m_http; }
    TNetFTP& ftp() { return m_ftp; }
    TWebmail& mail() { return m_mail; }
    const TAppPaths& paths() const { return m_paths; }
    // The services the service box offers, in its order (tests point them at local pages).
    std::array<TExternalService, 2>& externalServices() { return m_externalServices; }
    Dialogs& dialogs() { return m_dialogs; }
    QString executablePath() const { return m_executablePath; }

    // Values kept for the whole run.
    int selectionCode() const { return m_selectionCode; }
    int countdown() const { return m_countdown; }
    void setCountdown(int minutes) { m_countdown = minutes; }
    QString lastUploadedAddress() const { return m_lastUploadedAddress; }
    void setLastUploadedAddress(const QString& address) { m_lastUploadedAddress = address; }
    QString lastMailedAddress() const { return m_lastMailedAddress; }
    void setLastMailedAddress(const QString& address) { m_lastMailedAddress = address; }
    QString lastSavedAddress() const { return m_lastSavedAddress; }
    QString lastLoggedAddress() const { return m_lastLoggedAddress; }
    bool ftpConnected() const { return m_ftpConnected; }
    // True while a check or lookup waits on the network; another one is refused meanwhile.
    bool checkRunning() const { return m_checkRunning; }
    // A run of the change actions that arrives while one is under way is refused with a beep; a manual upload
    // or a test mail also holds off checks, so a tick during it defers its check by a minute.
    bool changeRunning() const { return m_changeRunning; }
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
    TSettings settingsFromTabs() const;
    void applySettings(const TSettings& settings);

    // Check scheduler.
    void onStartClicked();
    void onStopClicked();
    void onCheckTimer();
    void onIntervalChanged();
    void onIntervalBoxLeft();
    void applyIntervalRule();

    // Lookup.
    void lookUpAddress();
    void onLookupClicked();
    void onTestLookupClicked();
    void onExternalChosen();
    void onUserDefinedChosen();
    void onServiceBlockEnded(int service);

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

    // Change actions. The scheduler's run and a press of Upload (manual) both come here; virtual so that a
    // test can watch which checks reach it.
    virtual void runChangeActions(bool manual);
    void onUploadClicked();
    void onBrowseTemplateClicked();
    void onFtpConnected();
    void onFtpDisconnected();
    void sendMail(const QString& text);
    void onTestMailClicked();
    // Writes the address file when capturing is on, or always for the tab's Test.
    void writeAddressFile(bool test);
    void writeLog();
    void onTestAddressFileClicked();
    void onBrowseAddressFileClicked();
    void onBrowseLogClicked();

    // Tray icon and window states.
    void onMinimizeToTrayToggled();
    void onStartMinimizedTimer();
    void onErrorIconTimer();
    void onBalloonClicked();
    void onRestoreClicked();
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
    // The feedback form, modal, at the window's left + 50 and top + 40.
    void onFeedbackClicked();

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
    // Runs the handler of a tab's request inside guarded().
    template <class Sender, class Signal>
    void onRequest(Sender* sender, Signal signal, void (MainWindow::*handler)())
    {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    }

    void runStartUp();
    void writeHelpFileIfMissing();
    void removeFilesAtClose();
    // A failed lookup; text is the error report with its message.
    void reportLookupError(const QString& text);
    // One check: the lookup, then the change actions when the address differs from the last upload.
    // A scheduled check leaves an empty address or "Error" alone.
    void runCheck(bool scheduled);
    bool startFilesWritten();
    void restoreSelectedLookup();
    // Empties the lookup fields, then fills them from record.
    void loadLookupFields(const TLookupRecord& record);
    TLookupRecord fieldsRecord() const;
    // The checks of Add and Apply; shows the failing one's message.
    bool entryFieldsAccepted();
    void applyMarkState();
    void updateFeedbackButton();
    // Fetches the page address into the page view; a failure is reported and leaves what arrived.
    void fetchIntoPageView();
    bool findInPageView(const QString& text);
    void resetCountdownDisplay();
    // The upload of the filled-in template; a failure leaves "Error" in the address display.
    void uploadToServer();
    void disconnectFtp();
    void setDebugView(bool on);

    Dialogs& m_dialogs;
    QString m_executablePath;
    TAppPaths m_paths; // settings, help and upload files

    QLabel* m_addressLabel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QTabWidget* m_tabs = nullptr;
    ExternalServiceTab* m_externalServiceTab = nullptr;
    UserLookupsTab* m_userLookupsTab = nullptr;
    PageInspectorTab* m_pageInspectorTab = nullptr;
    FtpTab* m_ftpTab = nullptr;
    MailTab* m_mailTab = nullptr;
    LocalFilesTab* m_localFilesTab = nullptr;
    SystemTab* m_systemTab = nullptr;
    QStatusBar* m_statusLine = nullptr;

    QTimer* m_checkTimer = nullptr;
    QTimer* m_startMinimizedTimer = nullptr;
    QTimer* m_errorIconTimer = nullptr;
    std::array<QTimer*, 2> m_serviceBlockTimers{};
    QMenu* m_trayMenu = nullptr;
    QAction* m_restoreAction = nullptr;
    QAction* m_exitAction = nullptr;
    TrayIcon* m_trayIcon = nullptr;
    QDialog* m_feedbackForm = nullptr;
    FileDialogOptions m_templateDialog;
    FileDialogOptions m_saveDialog;
    // Network waits let the window's events run while this lives.
    TNetAntiFreeze m_antiFreeze;
    TNetHTTP m_http;
    TNetFTP m_ftp;
    TWebmail m_mail; // the mail client: SMTP with its message and TLS handler
    std::unique_ptr<QtWaitHook> m_waitHook;
    std::array<TExternalService, 2> m_externalServices = {kExternalServices[0], kExternalServices[1]};

    int m_selectionCode = -1;
    int m_countdown = 0; // minutes to the next scheduled check
    QString m_lastUploadedAddress;
    QString m_lastMailedAddress;
    QString m_lastSavedAddress;
    QString m_lastLoggedAddress;
    bool m_ftpConnected = false;
    std::array<bool, 2> m_serviceBlocked{};
    bool m_shownBefore = false;
    bool m_closeAccepted = false;
    bool m_ending = false; // the program ends whatever the close finds
    int m_exitStatus = 0;
    bool m_checkRunning = false;
    bool m_changeRunning = false;
    std::size_t m_addressMark = 0;
    bool m_loadingRow = false; // a user lookup row is being loaded into the fields
    TSettings m_loadedSettings; // as last applied: a field still showing its value is saved as these bytes
};

} // namespace kestrune::app
