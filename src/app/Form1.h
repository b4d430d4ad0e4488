#pragma once

#include "AppPaths.h"
#include "NetFlagScope.h"
#include "Dialogs.h"
#include "ExternalServices.h"
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
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QTimer;
class QStyle;
class TSpinEdit;
class TQtWaitHook;
class TFindDialog;
class TPageView;
class TTrayIcon;
class QDialog;
class QMimeData;
struct TLookupRecord;

// The main window. Controls, components and handlers carry the names under which the rest of the program
// knows them; handlers are public so that every part of the program (and its tests) can run them as the
// window's events do.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs start-up (FormCreate) before returning; the window is not shown yet.
    TForm1(TDialogs& dialogs, const QString& executablePath, QWidget* parent = nullptr);
    ~TForm1() override;

    // Header, tabs, status line.
    QLabel* Panel1 = nullptr;
    QLabel* Label11 = nullptr;
    QTabWidget* PageControl9 = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // "External Service"
    QWidget* TsExternal = nullptr;
    QFrame* Panel55 = nullptr;
    QRadioButton* rbExternal = nullptr;
    QComboBox* cboxDNS = nullptr;
    QPushButton* Button12 = nullptr;
    QListWidget* CheckListBox5 = nullptr;
    QListWidget* CheckListBox6 = nullptr;

    // "User-Defined Service"
    QWidget* TsUser = nullptr;
    QFrame* Panel54 = nullptr;
    QRadioButton* rbUserDefined = nullptr;
    QListWidget* ListBox5 = nullptr;
    QListWidget* ListBox6 = nullptr;
    QLabel* Panel56 = nullptr;
    QPushButton* btnNew = nullptr;
    QPushButton* btnAdd = nullptr;
    QPushButton* btnRemove = nullptr;
    QPushButton* btnWebEdit = nullptr;
    QLineEdit* edURL = nullptr;
    QCheckBox* cbWebAuth = nullptr;
    QLineEdit* edWebUsername = nullptr;
    QLineEdit* edWebPassword = nullptr;
    QPushButton* btnGetIP = nullptr;
    QPushButton* btnHelp = nullptr;

    // "  Test URL "
    QWidget* TsTest = nullptr;
    QPlainTextEdit* RichEdit1 = nullptr;
    QLineEdit* edIPAddress = nullptr;
    QPushButton* btnTest = nullptr;
    QPushButton* btnAuto = nullptr;
    QFrame* Panel3 = nullptr;
    QPushButton* btnGetPage = nullptr;
    QPushButton* btnKeyWord = nullptr;
    QPushButton* btnFind = nullptr;
    QPushButton* btnMarkIP = nullptr;
    QFrame* Panel4 = nullptr;
    QLineEdit* edChartoSkip = nullptr;
    QLineEdit* edKeyword = nullptr;
    QLabel* Label6 = nullptr;

    // "FTP"
    QWidget* TsFTP = nullptr;
    QLineEdit* RemoteHost = nullptr;
    QLineEdit* Username = nullptr;
    QLineEdit* Password = nullptr;
    QCheckBox* cbPassword = nullptr;
    QCheckBox* cbFTP = nullptr;
    QPushButton* btnFTP = nullptr;
    QLineEdit* edLocalFile = nullptr;
    QPushButton* Button1 = nullptr;
    QLineEdit* edRemote = nullptr;

    // "  E-mail   "
    QWidget* TsMail = nullptr;
    QCheckBox* cbWebMail = nullptr;
    QLineEdit* edWebTo = nullptr;
    QLineEdit* edWebSMTP = nullptr;
    QLineEdit* edPort = nullptr;
    QCheckBox* cbSSL = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* edWebFrom = nullptr;
    QLineEdit* edWebMail = nullptr;
    QFrame* Panel59 = nullptr;
    QCheckBox* cboxWebAuth = nullptr;
    QLineEdit* edWebUser = nullptr;
    QLineEdit* edWebPass = nullptr;
    QPushButton* btnMailTest = nullptr;

    // "Local Files"
    QWidget* TabSheet1 = nullptr;
    QCheckBox* cbSaveIP = nullptr;
    QLineEdit* edSaveIP = nullptr;
    QPushButton* btnSaveIP = nullptr;
    QPushButton* btnLocalTest = nullptr;
    QCheckBox* cbLog = nullptr;
    QLineEdit* edLog = nullptr;
    QPushButton* btnSaveLog = nullptr;
    TSpinEdit* SpinEdit2 = nullptr;

    // "System"
    QWidget* TsSystem = nullptr;
    TSpinEdit* SpinEdit1 = nullptr;
    QLabel* Label38 = nullptr;
    QLabel* Panel30 = nullptr;
    QLabel* Panel41 = nullptr;
    QPushButton* btnStart = nullptr;
    QPushButton* btnStopFTP = nullptr;
    QCheckBox* cbAutoStartRefresh = nullptr;
    QCheckBox* cbMinimize = nullptr;
    QCheckBox* cbStartMinimized = nullptr;
    QPushButton* btnFeedBack = nullptr;
    QCheckBox* cbDebug = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;

    // Non-visual components.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* IconTimer = nullptr;
    QTimer* DNSBlock1 = nullptr;
    QTimer* DNSBlock2 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* RestoreKestrune1 = nullptr;
    QAction* ExitKestrune1 = nullptr;
    TTrayIcon* TrayIcon = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* MarkIPAddress1 = nullptr;
    QAction* MarkKeywords1 = nullptr;
    QAction* Find1 = nullptr;
    TFindDialog* FindDialog1 = nullptr;
    // The feedback form, created hidden after start-up by the program entry.
    QDialog* Form2 = nullptr;
    TFileDialogOptions OpenDialog1;
    TFileDialogOptions SaveDialog1;
    TNetAntiFreeze NetAntiFreeze1;
    TNetHTTP NetHTTP1;
    TNetFTP NetFTP1;
    TWebmail Mail; // the mail client SMTP with MailMessage and SSLHandler

    // Values kept for the whole run.
    TAppPaths Paths;             // settings, help and upload files
    int SelectedRouter = -1;     // the selection code
    int Countdown = 0;           // minutes to the next scheduled check
    QString LastUploadedIP;
    QString LastMailedIP;
    QString LastSavedIP;
    QString LastLoggedIP;
    bool FTPConnected = false;   // a connection of NetFTP1 stands
    bool DNSBlocked1 = false;    // the block flags of the two external services
    bool DNSBlocked2 = false;
    // The services cboxDNS offers, in its order (tests point them at local pages).
    std::array<TExternalService, 2> ExternalServices = {kExternalServices[0], kExternalServices[1]};

    TDialogs& Dialogs() { return dialogs_; }
    QString ExecutablePath() const { return executablePath_; }

    // Start-up, show and close.
    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& CanClose);
    void ExitKestrune1Click();
    // A termination signal: the same close path, then the program ends, even when the settings cannot be
    // written (reported on standard error, exit status 1).
    void CloseRequestedFromOutside();
    // The session ends: settings written and files removed as at a close; from now on a close that cannot
    // write the settings is reported on standard error and ends the program all the same.
    void SessionEnding();
    // The application quits without the window having closed.
    void ApplicationQuitting();
    // 1 once the settings could not be written on the way out, else 0.
    int ExitStatus() const { return exitStatus_; }

    // Settings file.
    void LoadSettings();
    void SaveSettings();
    TSettings ControlsToSettings() const;
    void ApplySettings(const TSettings& settings);

    // Check scheduler.
    void btnStartClick(QObject* Sender);
    void btnStopFTPClick(QObject* Sender);
    void Timer1Timer();
    void SpinEdit1Change();
    void SpinEdit1Exit();
    void ApplyIntervalRule();

    // Lookup.
    void SetOutsideIP(QObject* Sender);
    void Button12Click(QObject* Sender);
    void btnTestClick(QObject* Sender);
    void rbExternalClick();
    void rbUserDefinedClick();
    void DNSBlock1Timer();
    void DNSBlock2Timer();
    // True while a check or lookup waits on the network; another one is refused meanwhile.
    bool CheckRunning() const { return checkRunning_; }

    // Handlers of other areas that start-up and the scheduler run. The change handler is virtual so that
    // a test can watch which checks reach it.
    virtual void btnFTPClick(QObject* Sender);
    void ListBox5Click();
    void SelectPresetClick();
    void TsFTPShow();

    // User-defined lookups.
    void btnNewClick();
    void btnAddClick();
    void btnWebEditClick();
    void btnRemoveClick();
    void edURLChange();
    void TsUserShow();

    // Page inspector. The page view carries selections between RichEdit1 and the page's bytes; the IP mark
    // is the marked address's byte offset, 0 when none is marked.
    TPageView& PageView() const { return *pageView_; }
    std::size_t IPMark() const { return ipMark_; }
    void TsTestShow();
    void btnGetPageClick();
    void btnMarkIPClick();
    void MarkKeyClick();
    void btnAutoClick();
    void Find1Click();
    void FindDialog1Find();
    void Memo3MouseUp();
    void RichEdit1Change();
    void PopupMenu2Popup();
    void Cut1Click();
    void Copy1Click();
    void Paste1Click();
    void SelectAll1Click();

    // Change actions. A run of the change handler that arrives while one is under way is refused with a
    // beep; a manual upload or a test mail also holds off checks, so a tick during it defers its check by
    // a minute.
    bool ChangeRunning() const { return changeRunning_; }
    void NetFTP1Connected();
    void NetFTP1Disconnected();
    void Button1Click();
    void SendWebmail(const QString& text);
    void btnMailTestClick();
    void TsMailShow();
    void cbWebMailClick();
    void Button2Click();
    void WriteDataFile(QObject* Sender);
    void WriteLog();
    void btnLocalTestClick();
    void btnSaveIPClick();
    void btnSaveLogClick();
    void SpinEdit2Change();

    // Tray icon and window states.
    void cbMinimizeClick();
    void Timer2Timer();
    void IconTimerTimer();
    void TrayIconBalloonHintClick();
    void RestoreKestrune1Click();
    // A failed lookup's balloon; the icon shows for as long as IconTimer runs.
    void ShowErrorBalloon(const QString& text);

    // Tab check and window extras.
    void PageControl9Changing(QObject* Sender, bool& AllowChange);
    void Label6MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift);
    void cbDebugClick();
    void btnHelpClick();
    void Label5Click();
    void Label5MouseEnter();
    void Label5MouseLeave();
    // Files dropped on the window: the first local path goes into the page view. True when handled.
    bool WMDropFiles(const QMimeData* files);
    void TsSystemShow();
    // The feedback form, modal, at the window's left + 50 and top + 40.
    void btnFeedBackClick();

    // Runs a handler as the event loop would: an error that escapes it is shown by the general error
    // report and the program goes on.
    void Guarded(const std::function<void()>& handler);
    // Enables or disables a timer component; enabling a running timer restarts its interval.
    static void SetTimerEnabled(QTimer* timer, bool enabled);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout, one tab per function.
    void BuildHeader(QWidget* parent);
    void BuildExternalTab();
    void BuildUserTab();
    void BuildTestTab();
    void BuildFtpTab();
    void BuildMailTab();
    void BuildLocalTab();
    void BuildSystemTab();
    void BuildComponents();
    void ConnectHandlers();
    void ConnectSchedulerHandlers();
    void ConnectLookupHandlers();
    void ConnectUserLookupHandlers();
    void ConnectInspectorHandlers();
    void ConnectTrayHandlers();
    void ConnectExtrasHandlers();
    void ConnectActionHandlers();
    QLineEdit* MaskedEdit(QWidget* parent, const QString& name);

    void WriteHelpFileIfMissing();
    void RemoveFilesAtClose();
    // A failed lookup; text is the error report with its message.
    void ReportLookupError(const QString& text);
    // One check: the lookup, then the change handler when the address differs from the last upload.
    // A scheduled check leaves an empty address or "Error" alone.
    void RunCheck(bool scheduled);
    bool StartFilesWritten();
    void RestoreSelectedLookup();
    // Empties the lookup fields, then fills them from record.
    void LoadLookupFields(const TLookupRecord& record);
    TLookupRecord FieldsRecord() const;
    // The checks of Add and Apply; shows the failing one's message.
    bool EntryFieldsAccepted();
    void ApplyMarkState();
    void UpdateFeedbackButton();
    // Fetches edURL into the page view; a failure is reported and leaves what arrived.
    void FetchIntoPageView();
    bool FindInPageView(const QString& text);
    void ResetCountdownDisplay();
    // The upload of the filled-in template; a failure leaves "Error" in the address display.
    void UploadToServer();
    void DisconnectFtp();
    TWebmailSettings MailSettings() const;

    TDialogs& dialogs_;
    QString executablePath_;
    std::unique_ptr<TQtWaitHook> waitHook_;
    QStyle* plusMaskStyle_ = nullptr;
    bool shownBefore_ = false;
    bool closeAccepted_ = false;
    bool ending_ = false;  // the program ends whatever the close finds
    int exitStatus_ = 0;
    bool checkRunning_ = false;
    TPageView* pageView_ = nullptr;
    std::size_t ipMark_ = 0;
    bool loadingRow_ = false;  // a ListBox5 row is being loaded into the fields
    bool changeRunning_ = false;
    TSettings loadedSettings_;  // as last applied: a field still showing its value is saved as these bytes
};
