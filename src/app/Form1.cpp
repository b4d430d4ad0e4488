#include "Form1.h"

#include "EventTap.h"
#include "ListRows.h"
#include "QtWaitHook.h"
#include "SpinEdit.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

namespace {
// The smallest size at which every caption of every tab shows whole.
constexpr QSize kDesignSize(600, 500);
}

TForm1::TForm1(TDialogs& dialogs, const QString& executablePath, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), executablePath_(executablePath)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Kestrune"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    BuildHeader(central);
    column->addWidget(Panel1);
    PageControl9 = new QTabWidget(central);
    PageControl9->setObjectName(QStringLiteral("PageControl9"));
    // All seven tabs stay in sight: the window is never narrower than its tab row.
    PageControl9->setUsesScrollButtons(false);
    BuildExternalTab();
    BuildUserTab();
    BuildTestTab();
    BuildFtpTab();
    BuildMailTab();
    BuildLocalTab();
    BuildSystemTab();
    PageControl9->addTab(TsExternal, QStringLiteral("External Service"));
    PageControl9->addTab(TsUser, QStringLiteral("User-Defined Service"));
    PageControl9->addTab(TsTest, QStringLiteral("  Test URL "));
    PageControl9->addTab(TsFTP, QStringLiteral("FTP"));
    PageControl9->addTab(TsMail, QStringLiteral("  E-mail   "));
    PageControl9->addTab(TabSheet1, QStringLiteral("Local Files"));
    PageControl9->addTab(TsSystem, QStringLiteral("System"));
    column->addWidget(PageControl9, 1);
    setCentralWidget(central);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    setStatusBar(StatusBar1);
    BuildComponents();
    setMinimumSize(kDesignSize.expandedTo(minimumSizeHint()));
    resize(minimumSize());

    waitHook_ = std::make_unique<TQtWaitHook>();
    TNetAntiFreeze::InstallHook(waitHook_.get());

    ConnectHandlers();
    // The interval box's displays follow its design value until the settings give another.
    SpinEdit1Change();

    // Start-up runs outside the event loop's own error handling; its errors are reported as any handler's.
    Guarded([this] {
        Paths = AppPathsFor(executablePath_.toStdString());
        FormCreate();
    });
}

TForm1::~TForm1()
{
    TEventTap::RemoveAll(this);
    if (TNetAntiFreeze::InstalledHook() == waitHook_.get())
        TNetAntiFreeze::InstallHook(nullptr);
}

void TForm1::Guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        dialogs_.ShowError(QString::fromUtf8(error.what()));
    } catch (...) {
        dialogs_.ShowError(QStringLiteral("Unknown error."));
    }
}

void TForm1::ConnectHandlers()
{
    SpinEdit1->SetBeep([this] { dialogs_.Beep(); });
    SpinEdit2->SetBeep([this] { dialogs_.Beep(); });
    connect(ExitKestrune1, &QAction::triggered, this, [this] { Guarded([this] { ExitKestrune1Click(); }); });
    for (QLineEdit* field : {RemoteHost, Username, Password, edLocalFile, edRemote})
        connect(field, &QLineEdit::textChanged, this, [this] { Guarded([this] { TsFTPShow(); }); });
    connect(PageControl9, &QTabWidget::currentChanged, this, [this] {
        if (PageControl9->currentWidget() == TsFTP)
            Guarded([this] { TsFTPShow(); });
    });
    connect(ListBox5, &QListWidget::itemClicked, this, [this] { Guarded([this] { ListBox5Click(); }); });
    connect(ListBox6, &QListWidget::itemClicked, this, [this] { Guarded([this] { SelectPresetClick(); }); });
    ConnectSchedulerHandlers();
    ConnectLookupHandlers();
    ConnectUserLookupHandlers();
    ConnectInspectorHandlers();
    ConnectTrayHandlers();
    ConnectExtrasHandlers();
    ConnectActionHandlers();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    Guarded([&] { FormCloseQuery(canClose); });
    closeAccepted_ = canClose;
    if (canClose)
        event->accept();
    else
        event->ignore();
}
