#include "MainWindow.h"

#include "BusyGate.h"
#include "DnsUpdateTab.h"
#include "NoticesTab.h"
#include "EventTap.h"
#include "ExternalServiceTab.h"
#include "FtpTab.h"
#include "LayoutHelpers.h"
#include "Ipv6Tab.h"
#include "LocalFilesTab.h"
#include "MailTab.h"
#include "PageInspectorTab.h"
#include "QtTimerService.h"
#include "QtWaitHook.h"
#include "SpinBox.h"
#include "SystemTab.h"
#include "UserLookupsTab.h"
#include "Utf8Text.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <exception>

using namespace kestrune::actions;
using namespace kestrune::core;
using namespace kestrune::net;

namespace kestrune::app {

namespace {

// The smallest size at which every caption of every tab shows whole.
constexpr QSize kDesignSize(600, 500);

QTimer* newTimer(QObject* owner, const QString& name, int intervalMs)
{
    auto* timer = new QTimer(owner);
    timer->setObjectName(name);
    timer->setInterval(intervalMs);
    return timer;
}

// The abbreviated day and month names of the user's locale, for the log.
DateNames localeDateNames()
{
    const QLocale locale; // the system locale unless the program chose another
    DateNames names;
    // Sunday first, as the C library counts days; Qt counts Monday as 1 and Sunday as 7.
    for (int day = 0; day < 7; ++day)
        names.shortDayNames[static_cast<std::size_t>(day)] =
            toBytes(locale.dayName(day == 0 ? 7 : day, QLocale::ShortFormat));
    for (int month = 1; month <= 12; ++month)
        names.shortMonthNames[static_cast<std::size_t>(month - 1)] =
            toBytes(locale.monthName(month, QLocale::ShortFormat));
    return names;
}

QAction* menuItem(QMenu* menu, const QString& name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

} // namespace

MainWindow::MainWindow(Dialogs& dialogs, const QString& executablePath, QWidget* parent)
    : QMainWindow(parent), m_dialogs(dialogs), m_executablePath(executablePath)
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Kestrune"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(4, 4, 4, 4);
    buildHeader(central);
    column->addWidget(m_addressLabel);
    column->addWidget(m_address6Label);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    // All tabs stay in sight: the window is never narrower than its tab row.
    m_tabs->setUsesScrollButtons(false);
    m_externalServiceTab = new ExternalServiceTab;
    m_userLookupsTab = new UserLookupsTab;
    m_pageInspectorTab = new PageInspectorTab;
    m_ftpTab = new FtpTab;
    m_mailTab = new MailTab;
    m_localFilesTab = new LocalFilesTab;
    m_dnsUpdateTab = new DnsUpdateTab;
    m_ipv6Tab = new Ipv6Tab;
    m_noticesTab = new NoticesTab;
    m_systemTab = new SystemTab;
    m_tabs->addTab(m_externalServiceTab, QStringLiteral("External Service"));
    m_tabs->addTab(m_userLookupsTab, QStringLiteral("User-Defined Service"));
    m_tabs->addTab(m_pageInspectorTab, QStringLiteral("  Test URL "));
    m_tabs->addTab(m_ftpTab, QStringLiteral("FTP"));
    m_tabs->addTab(m_mailTab, QStringLiteral("  E-mail   "));
    m_tabs->addTab(m_localFilesTab, QStringLiteral("Local Files"));
    m_tabs->addTab(m_dnsUpdateTab, QStringLiteral("DNS update"));
    m_tabs->addTab(m_ipv6Tab, QStringLiteral("IPv6"));
    m_tabs->addTab(m_noticesTab, QStringLiteral("Notices"));
    m_tabs->addTab(m_systemTab, QStringLiteral("System"));
    column->addWidget(m_tabs, 1);
    setCentralWidget(central);
    m_statusLine = new QStatusBar(this);
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setSizeGripEnabled(true);
    setStatusBar(m_statusLine);
    m_lookupErrorLabel = new QLabel(m_statusLine);
    m_lookupErrorLabel->setObjectName(QStringLiteral("lookupErrorLabel"));
    m_lookupErrorLabel->hide();
    // Beside the progress texts, which come and go, rather than under them.
    m_statusLine->addPermanentWidget(m_lookupErrorLabel, 1);
    buildComponents();
    setMinimumSize(kDesignSize.expandedTo(minimumSizeHint()));
    resize(minimumSize());

    m_waitHook = std::make_unique<QtWaitHook>();
    m_waitScope = std::make_unique<core::WaitServiceScope>(*m_waitHook);

    m_timerService = new QtTimerService(this);
    m_monitor = std::make_unique<core::Monitor>(m_settings, *this, *m_timerService);
    m_monitor->setDateNames(localeDateNames());
    // A server that stops answering would otherwise hold the upload, and with it every later check, for ever.
    m_monitor->ftp().readTimeout = 60000;
    m_timerService->setHandler([this](core::TimerId id) { onTimer(id); });

    m_busyGate = new BusyGate(this);
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_userLookupsTab->getAddressButton(), m_pageInspectorTab->testButton(), m_pageInspectorTab->autoButton(),
             m_externalServiceTab->lookupButton(), m_systemTab->startButton()})
        m_busyGate->add(control);
    connectLazyTabs();

    connectTabs();
    connectTray();
    connectExtras();
    // The interval box's displays follow its design value until the settings give another.
    onIntervalChanged();

    // Start-up runs outside the event loop's own error handling; its errors are reported as any handler's.
    guarded([this] {
        m_paths = appPathsFor(m_executablePath.toStdString());
        runStartUp();
    });
}

MainWindow::~MainWindow()
{
    EventTap::removeAll(this);
}

PageView& MainWindow::pageView() const { return m_pageInspectorTab->pageView(); }

void MainWindow::guarded(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        m_dialogs.showError(QString::fromUtf8(error.what()));
    } catch (...) {
        m_dialogs.showError(QStringLiteral("Unknown error."));
    }
}

void MainWindow::setTimerEnabled(QTimer* timer, bool enabled)
{
    if (enabled)
        timer->start();
    else
        timer->stop();
}

void MainWindow::buildHeader(QWidget* parent)
{
    m_addressLabel = layout::displayPanel(parent, QStringLiteral("addressLabel"));
    m_addressLabel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_addressLabel->setAutoFillBackground(true);
    QPalette palette = m_addressLabel->palette();
    palette.setColor(QPalette::Window, QColor(0xA6, 0xD7, 0xF0));
    palette.setColor(QPalette::WindowText, Qt::black);
    m_addressLabel->setPalette(palette);
    QFont font = m_addressLabel->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.8);
    m_addressLabel->setFont(font);
    m_addressLabel->setMinimumHeight(QFontMetrics(font).height() * 2);

    m_titleLabel = layout::caption(m_addressLabel, QStringLiteral("Kestrune"), QStringLiteral("titleLabel"));
    auto* row = new QHBoxLayout(m_addressLabel);
    row->setContentsMargins(12, 0, 12, 0);
    row->addWidget(m_titleLabel);
    row->addStretch();

    m_address6Label = layout::displayPanel(parent, QStringLiteral("address6Label"));
    m_address6Label->setAutoFillBackground(true);
    m_address6Label->setPalette(palette);
    QFont font6 = m_address6Label->font();
    font6.setBold(true);
    m_address6Label->setFont(font6);
    m_address6Label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_address6Label->hide();
}

void MainWindow::buildComponents()
{
    m_startMinimizedTimer = newTimer(this, QStringLiteral("startMinimizedTimer"), 20);
    m_errorIconTimer = newTimer(this, QStringLiteral("errorIconTimer"), 10000);

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("trayMenu"));
    m_restoreAction = menuItem(m_trayMenu, QStringLiteral("restoreAction"), QStringLiteral("Restore Kestrune"));
    m_exitAction = menuItem(m_trayMenu, QStringLiteral("exitAction"), QStringLiteral("Exit Kestrune"));

    m_templateDialog.filter = QStringLiteral(
        "Template Files (*.htm;*.html;*.js;*.txt)|*.htm;*.html;*.js;*.txt|HTML Files (*.htm;*.html)|*.htm;*.html|"
        "Script Files (*.js)|*.js|Text Files (*.txt)|*.txt|All Files (*)|*");
    m_saveDialog.filter = QStringLiteral("Text Files (*.txt)|*.txt");
    m_saveDialog.defaultExtension = QStringLiteral("txt");
}

void MainWindow::connectTabs()
{
    m_systemTab->intervalSpin()->setBeep([this] { m_dialogs.beep(); });
    onRequest(m_exitAction, &QAction::triggered, &MainWindow::onExitClicked);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] {
        QWidget* shown = m_tabs->currentWidget();
        if (shown == m_ftpTab)
            m_ftpTab->updateUploadButton();
        else if (shown == m_userLookupsTab)
            guarded([this] { onUserLookupsTabShown(); });
        else if (shown == m_pageInspectorTab)
            guarded([this] { onInspectorTabShown(); });
        else if (shown == m_systemTab)
            guarded([this] { onSystemTabShown(); });
        else if (shown == m_mailTab)
            m_mailTab->updateTestButton();
    });

    onRequest(m_systemTab, &SystemTab::startRequested, &MainWindow::onStartClicked);
    onRequest(m_systemTab, &SystemTab::stopRequested, &MainWindow::onStopClicked);
    onRequest(m_systemTab, &SystemTab::intervalChanged, &MainWindow::onIntervalChanged);
    onRequest(m_systemTab, &SystemTab::intervalBoxLeft, &MainWindow::onIntervalBoxLeft);

    onRequest(m_externalServiceTab, &ExternalServiceTab::lookupRequested, &MainWindow::onLookupClicked);
    onRequest(m_userLookupsTab, &UserLookupsTab::getAddressRequested, &MainWindow::onTestLookupClicked);
    onRequest(m_pageInspectorTab, &PageInspectorTab::testRequested, &MainWindow::onTestLookupClicked);
    onRequest(m_externalServiceTab, &ExternalServiceTab::externalChosen, &MainWindow::onExternalChosen);
    onRequest(m_userLookupsTab, &UserLookupsTab::userDefinedChosen, &MainWindow::onUserDefinedChosen);

    onRequest(m_userLookupsTab, &UserLookupsTab::userLookupChosen, &MainWindow::onUserLookupChosen);
    onRequest(m_userLookupsTab, &UserLookupsTab::presetChosen, &MainWindow::onPresetChosen);
    onRequest(m_userLookupsTab, &UserLookupsTab::newRequested, &MainWindow::onNewClicked);
    onRequest(m_userLookupsTab, &UserLookupsTab::addRequested, &MainWindow::onAddClicked);
    onRequest(m_userLookupsTab, &UserLookupsTab::applyRequested, &MainWindow::onApplyClicked);
    onRequest(m_userLookupsTab, &UserLookupsTab::removeRequested, &MainWindow::onRemoveClicked);
    onRequest(m_userLookupsTab, &UserLookupsTab::fieldsEdited, &MainWindow::onLookupFieldsEdited);
    onRequest(m_pageInspectorTab->keywordEdit(), &QLineEdit::textChanged, &MainWindow::onLookupFieldsEdited);

    PageInspectorTab* inspector = m_pageInspectorTab;
    onRequest(inspector, &PageInspectorTab::getPageRequested, &MainWindow::onGetPageClicked);
    onRequest(inspector, &PageInspectorTab::markAddressRequested, &MainWindow::onMarkAddressClicked);
    onRequest(inspector, &PageInspectorTab::markKeywordRequested, &MainWindow::onMarkKeywordClicked);
    onRequest(inspector, &PageInspectorTab::autoRequested, &MainWindow::onAutoClicked);
    onRequest(inspector, &PageInspectorTab::findRequested, &MainWindow::onFindClicked);
    onRequest(inspector, &PageInspectorTab::findNextRequested, &MainWindow::onFindNext);
    onRequest(inspector, &PageInspectorTab::cutRequested, &MainWindow::onCutClicked);
    onRequest(inspector, &PageInspectorTab::copyRequested, &MainWindow::onCopyClicked);
    onRequest(inspector, &PageInspectorTab::pasteRequested, &MainWindow::onPasteClicked);
    onRequest(inspector, &PageInspectorTab::selectAllRequested, &MainWindow::onSelectAllClicked);
    onRequest(inspector, &PageInspectorTab::pageMenuAboutToShow, &MainWindow::onPageMenuAboutToShow);
    onRequest(inspector, &PageInspectorTab::pageSelectionChanged, &MainWindow::onPageSelectionChanged);
    onRequest(inspector, &PageInspectorTab::pageEdited, &MainWindow::onPageChanged);
    onRequest(inspector->skipEdit(), &QLineEdit::textChanged, &MainWindow::onPageChanged);
    onRequest(inspector->addressEdit(), &QLineEdit::textChanged, &MainWindow::onInspectorTabShown);

    onRequest(m_ftpTab, &FtpTab::uploadRequested, &MainWindow::onUploadClicked);
    onRequest(m_ftpTab, &FtpTab::browseTemplateRequested, &MainWindow::onBrowseTemplateClicked);
    onRequest(m_mailTab, &MailTab::testMailRequested, &MainWindow::onTestMailClicked);
    onRequest(m_localFilesTab, &LocalFilesTab::testAddressFileRequested, &MainWindow::onTestAddressFileClicked);
    onRequest(m_localFilesTab, &LocalFilesTab::browseAddressFileRequested, &MainWindow::onBrowseAddressFileClicked);
    onRequest(m_localFilesTab, &LocalFilesTab::browseLogRequested, &MainWindow::onBrowseLogClicked);
    onRequest(m_dnsUpdateTab, &DnsUpdateTab::addRequested, &MainWindow::onDnsAddClicked);
    onRequest(m_dnsUpdateTab, &DnsUpdateTab::editRequested, &MainWindow::onDnsEditClicked);
    onRequest(m_dnsUpdateTab, &DnsUpdateTab::removeRequested, &MainWindow::onDnsRemoveClicked);
    onRequest(m_dnsUpdateTab, &DnsUpdateTab::clearHoldRequested, &MainWindow::onDnsClearHoldClicked);
    onRequest(m_noticesTab, &NoticesTab::addRequested, &MainWindow::onNoticeAddClicked);
    onRequest(m_noticesTab, &NoticesTab::editRequested, &MainWindow::onNoticeEditClicked);
    onRequest(m_noticesTab, &NoticesTab::removeRequested, &MainWindow::onNoticeRemoveClicked);
    onRequest(m_noticesTab, &NoticesTab::testRequested, &MainWindow::onNoticeTestClicked);
    connect(m_systemTab, &SystemTab::loginStartClicked, this,
            [this](bool checked) { guarded([this, checked] { onLoginStartClicked(checked); }); });
}

void MainWindow::connectLazyTabs()
{
    // A tab built after the start shows the settings the window holds for it, put in as at the start.
    const auto load = [this](auto* tab) {
        for (Setting id : kSettingsReadOrder)
            tab->loadSetting(id, m_settings);
    };
    connect(m_ftpTab, &LazyTab::built, this, [this, load] {
        m_busyGate->add(m_ftpTab->uploadButton());
        load(m_ftpTab);
        m_ftpTab->updateUploadButton();
    });
    connect(m_mailTab, &LazyTab::built, this, [this, load] {
        m_busyGate->add(m_mailTab->testMailButton());
        load(m_mailTab);
    });
    connect(m_localFilesTab, &LazyTab::built, this, [this, load] {
        m_localFilesTab->logLinesSpin()->setBeep([this] { m_dialogs.beep(); });
        load(m_localFilesTab);
    });
    connect(m_ipv6Tab, &LazyTab::built, this, [this, load] { load(m_ipv6Tab); });
    connect(m_dnsUpdateTab, &LazyTab::built, this,
            [this] { m_dnsUpdateTab->showEntries(m_settings.dnsUpdates, m_settings.pendingRetries); });
    connect(m_noticesTab, &LazyTab::built, this, [this] { m_noticesTab->showEntries(m_settings.notices); });
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        guarded([this] { onShown(); });
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    bool canClose = false;
    guarded([&] { onCloseQuery(canClose); });
    m_closeAccepted = canClose;
    if (canClose)
        event->accept();
    else
        event->ignore();
}

} // namespace kestrune::app
