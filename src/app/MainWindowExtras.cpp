#include "MainWindow.h"

#include "AppPaths.h"
#include "EventTap.h"
#include "ExternalServiceTab.h"
#include "FtpTab.h"
#include "HistoryView.h"
#include "LocalFilesTab.h"
#include "MailTab.h"
#include "PageInspectorTab.h"
#include "SystemTab.h"
#include "TrayIcon.h"
#include "UserLookupsTab.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QDropEvent>
#include <QFrame>
#include <QIcon>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPixmap>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <filesystem>

using namespace kestrune::core;

namespace kestrune::app {

namespace {

const char* const kHelpMissing = "The help file cannot be located. Please shut down Kestrune and restart.";
const char* const kProductNotice = "Kestrune v1.1 - keeps an eye on the public address of your network.";
const char* const kErrorBalloonTitle = "Kestrune Error";
constexpr int kErrorBalloonSeconds = 10;
const QPoint kQuestionOffset(120, 150);
const QPoint kFeedbackOffset(50, 40);

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) {
        // Read as PNG and nothing else: a reader left to guess asks every image plugin first, loading each.
        QImageReader reader(QStringLiteral(":/kestrune/icons/kestrune-%1.png").arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

// The next enabled tab from current in direction step; wrapping as Ctrl+Tab does, or stopping at the ends
// as the arrow keys do. -1 when there is none.
int nextEnabledTab(const QTabBar* bar, int current, int step, bool wrap)
{
    const int count = bar->count();
    int index = current;
    for (int pass = 0; pass < count; ++pass) {
        index += step;
        if (wrap)
            index = (index + count) % count;
        else if (index < 0 || index >= count)
            return -1;
        if (bar->isTabEnabled(index))
            return index;
    }
    return -1;
}

// The tab a user's mouse press or key would make current, or -1 when the event changes no tab.
int userTabTarget(const QTabWidget* tabs, const QObject* watched, const QEvent* event)
{
    const QTabBar* bar = tabs->tabBar();
    const int current = tabs->currentIndex();
    if (watched == bar) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            const auto* mouse = static_cast<const QMouseEvent*>(event);
            return mouse->button() == Qt::LeftButton ? bar->tabAt(mouse->position().toPoint()) : -1;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<const QKeyEvent*>(event)->key();
            if (key != Qt::Key_Left && key != Qt::Key_Right)
                return -1;
            const bool back = (key == Qt::Key_Left) != bar->isRightToLeft();
            return nextEnabledTab(bar, current, back ? -1 : 1, false);
        }
    }
    if (watched == tabs && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const bool tabKey = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (!tabKey || !(key->modifiers() & Qt::ControlModifier) || bar->count() < 2)
            return -1;
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        return nextEnabledTab(bar, current, back ? -1 : 1, true);
    }
    return -1;
}

bool hasLocalFile(const QMimeData* data)
{
    return data && data->hasUrls() && !data->urls().isEmpty() && data->urls().first().isLocalFile();
}

} // namespace

void MainWindow::connectTray()
{
    m_trayIcon = new TrayIcon(this, this);
    m_trayIcon->setObjectName(QStringLiteral("trayIcon"));
    const QIcon icon = programIcon();
    m_trayIcon->setIcon(icon);
    m_trayIcon->setPopupMenu(m_trayMenu);
    setWindowIcon(icon);

    onRequest(m_trayIcon, &TrayIcon::balloonClicked, &MainWindow::onBalloonClicked);
    onRequest(m_restoreAction, &QAction::triggered, &MainWindow::onRestoreClicked);
    onRequest(m_trayIcon, &TrayIcon::iconClicked, &MainWindow::onRestoreClicked);
    m_trayIcon->setToolTip(QStringLiteral("Kestrune"));
    onRequest(m_systemTab, &SystemTab::minimizeToTrayToggled, &MainWindow::onMinimizeToTrayToggled);
    onRequest(m_startMinimizedTimer, &QTimer::timeout, &MainWindow::onStartMinimizedTimer);
    onRequest(m_errorIconTimer, &QTimer::timeout, &MainWindow::onErrorIconTimer);
}

void MainWindow::connectExtras()
{
    QTabBar* bar = m_tabs->tabBar();
    auto tabCheck = [this](QObject* watched, QEvent* event) {
        // A wheel turn over the tabs would change the page without the check; tabs change by click or key.
        if (watched == m_tabs->tabBar() && event->type() == QEvent::Wheel)
            return true;
        const int target = userTabTarget(m_tabs, watched, event);
        if (target < 0 || target == m_tabs->currentIndex() || !m_tabs->isTabEnabled(target))
            return false;
        bool allow = true;
        guarded([&] { onTabChanging(allow); });
        return !allow;
    };
    EventTap::install(bar, tabCheck);
    EventTap::install(m_tabs, tabCheck);

    connect(m_pageInspectorTab, &PageInspectorTab::debugSwitchPressed, this,
            [this](Qt::KeyboardModifiers modifiers) { guarded([&] { onDebugSwitchPressed(modifiers); }); });
    onRequest(m_systemTab, &SystemTab::debugToggled, &MainWindow::onDebugToggled);
    onRequest(m_systemTab, &SystemTab::webAddressClicked, &MainWindow::onWebAddressClicked);
    onRequest(m_userLookupsTab, &UserLookupsTab::helpRequested, &MainWindow::onHelpClicked);
    onRequest(m_systemTab, &SystemTab::feedbackRequested, &MainWindow::onFeedbackClicked);
    onRequest(m_systemTab, &SystemTab::historyRequested, &MainWindow::onHistoryClicked);

    // Files may land on the window itself or on the page view, which would otherwise paste their names.
    auto dropTap = [this](QObject*, QEvent* event) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (!hasLocalFile(drag->mimeData()))
                return false;
            drag->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            bool handled = false;
            guarded([&] { handled = dropFiles(drop->mimeData()); });
            if (handled)
                drop->acceptProposedAction();
            return handled;
        }
        default:
            return false;
        }
    };
    EventTap::install(this, dropTap);
    EventTap::install(m_pageInspectorTab->pageEdit()->viewport(), dropTap);
}

void MainWindow::onTabChanging(bool& allowChange)
{
    allowChange = true;
    const QWidget* leaving = m_tabs->currentWidget();

    if (leaving == m_ftpTab && m_ftpTab->enableCheck()->isChecked()) {
        const QString message = m_ftpTab->missingEntryMessage();
        if (!message.isEmpty()) {
            m_dialogs.showMessage(message);
            allowChange = false;
        }
    }

    if (leaving == m_mailTab && m_mailTab->sendMailCheck()->isChecked()) {
        const QString message = m_mailTab->missingEntryMessage();
        if (!message.isEmpty()) {
            m_dialogs.showMessage(message);
            allowChange = false;
        }
    }

    if (m_userLookupsTab->applyButton()->isEnabled() && leaving == m_pageInspectorTab) {
        const QPoint at = frameGeometry().topLeft() + kQuestionOffset;
        if (m_userLookupsTab->userLookupList()->count() == 0) {
            if (m_dialogs.confirmYesNo(QStringLiteral("Data has changed. Add to user-defined?"), at))
                onAddClicked();
        } else if (m_dialogs.confirmYesNo(QStringLiteral("Data has changed. Apply changes?"), at)) {
            onApplyClicked();
        }
    }
}

void MainWindow::onDebugSwitchPressed(Qt::KeyboardModifiers modifiers)
{
    m_systemTab->debugCheck()->setChecked(modifiers & (Qt::ShiftModifier | Qt::ControlModifier));
}

void MainWindow::onDebugToggled() { setDebugView(m_systemTab->debugCheck()->isChecked()); }

void MainWindow::setDebugView(bool on)
{
    m_externalServiceTab->setDebugView(on);
    m_pageInspectorTab->lookupFieldsPanel()->setVisible(on);
}

void MainWindow::onHelpClicked()
{
    std::error_code ignored;
    if (std::filesystem::is_regular_file(m_paths.helpFile, ignored)) {
        const QString path = QString::fromStdString(m_paths.helpFile.string());
        if (!m_dialogs.openUrl(QUrl::fromLocalFile(path).toString()))
            m_dialogs.showMessage(QStringLiteral("No program could be found to open the help file.\r\n\r\n"
                                                 "The file is at %1").arg(QDir::toNativeSeparators(path)));
        return;
    }
    m_dialogs.showMessage(QString::fromLatin1(kHelpMissing) + QStringLiteral("\r\n\r\n") +
                          QString::fromLatin1(kProductNotice));
}

void MainWindow::onWebAddressClicked()
{
    const QString address = m_systemTab->webAddressLabel()->text();
    if (!m_dialogs.openUrl(address))
        m_dialogs.showMessage(QStringLiteral("No web browser could be found to open %1").arg(address));
}

bool MainWindow::dropFiles(const QMimeData* files)
{
    // Only the first dropped item counts, and only when it is a local file.
    if (!hasLocalFile(files))
        return false;
    m_pageInspectorTab->pageEdit()->setPlainText(QDir::toNativeSeparators(files->urls().first().toLocalFile()));
    return true;
}

void MainWindow::onSystemTabShown()
{
    updateFeedbackButton();
    m_systemTab->loginStartCheck()->setChecked(autostartEntry().exists());
}

launch::AutostartEntry MainWindow::autostartEntry() const
{
    std::vector<std::string> command = {m_executablePath.toStdString()};
    if (const std::optional<std::filesystem::path> chosen = chosenSettingsFile()) {
        command.emplace_back("--config");
        command.push_back(chosen->string());
    }
    return launch::AutostartEntry(launch::AutostartEntry::defaultFile(), std::move(command));
}

void MainWindow::onLoginStartClicked(bool checked)
{
    const launch::AutostartEntry entry = autostartEntry();
    try {
        entry.setEnabled(checked);
    } catch (const std::exception& error) {
        m_dialogs.showMessage(QString::fromUtf8(error.what()));
    }
    m_systemTab->loginStartCheck()->setChecked(entry.exists());
}

void MainWindow::onFeedbackClicked()
{
    if (!m_feedbackForm)
        return;
    m_feedbackForm->move(frameGeometry().topLeft() + kFeedbackOffset);
    m_feedbackForm->exec();
}

void MainWindow::onHistoryClicked()
{
    if (!m_historyView)
        m_historyView = new HistoryView(this);
    m_historyView->setLog(m_localFilesTab->logFileEdit()->text(), m_monitor->dateNames());
    m_historyView->show();
    m_historyView->raise();
}

void MainWindow::actionFinished(core::Action action, const std::string& error)
{
    if (action == core::Action::Log && error.empty() && m_historyView && m_historyView->isVisible())
        m_historyView->reload();
}

void MainWindow::onMinimizeToTrayToggled()
{
    m_trayIcon->setMinimizeToTray(m_systemTab->minimizeToTrayCheck()->isChecked());
}

void MainWindow::onStartMinimizedTimer()
{
    // A slow first check lets the timer run before the program entry shows the window; that show would
    // undo the minimising, so wait for it.
    if (!m_shownBefore)
        return;
    // Minimising hands the window to the tray icon when minimise-to-tray is on.
    showMinimized();
    setTimerEnabled(m_startMinimizedTimer, false);
}

void MainWindow::showErrorBalloon(const QString& text)
{
    m_trayIcon->setIconVisible(true);
    setTimerEnabled(m_errorIconTimer, true);
    m_trayIcon->showBalloon(QString::fromLatin1(kErrorBalloonTitle), text, BalloonIcon::Info, kErrorBalloonSeconds);
    // Without a notification area the balloon is seen nowhere.
    if (!m_trayIcon->platform().available()) {
        m_lookupErrorLabel->setText(text);
        m_lookupErrorLabel->show();
    }
}

// In the tray state the icon refuses to hide, so the balloon's clean-up never strands the window.
void MainWindow::onErrorIconTimer()
{
    m_trayIcon->setIconVisible(false);
    setTimerEnabled(m_errorIconTimer, false);
}

void MainWindow::onBalloonClicked()
{
    m_trayIcon->setIconVisible(false);
    setTimerEnabled(m_errorIconTimer, false);
}

void MainWindow::onRestoreClicked()
{
    m_trayIcon->restoreMainWindow();
    m_trayIcon->setIconVisible(false);
}

void MainWindow::onActivationRequested()
{
    if (m_trayIcon->inTrayState())
        onRestoreClicked();
    else
        m_trayIcon->restoreMainWindow();
}

} // namespace kestrune::app
