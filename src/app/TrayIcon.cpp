#include "TrayIcon.h"

#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace kestrune::app {

namespace {

QSystemTrayIcon::MessageIcon qtIcon(BalloonIcon icon)
{
    switch (icon) {
    case BalloonIcon::Info: return QSystemTrayIcon::Information;
    case BalloonIcon::Warning: return QSystemTrayIcon::Warning;
    case BalloonIcon::Error: return QSystemTrayIcon::Critical;
    case BalloonIcon::None: break;
    }
    return QSystemTrayIcon::NoIcon;
}

class QtTrayPlatform : public TrayPlatform {
public:
    QtTrayPlatform()
    {
        QObject::connect(&m_icon, &QSystemTrayIcon::messageClicked, [this] {
            if (balloonClicked)
                balloonClicked();
        });
        // The context menu opens on the right button; the left one restores, as the desktops' tray programs do.
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger && iconClicked)
                iconClicked();
        });
    }

    bool available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setMenu(QMenu* menu) override { m_icon.setContextMenu(menu); }
    void setVisible(bool visible) override { m_icon.setVisible(visible); }
    void setToolTip(const QString& text) override { m_icon.setToolTip(text); }
    void showBalloon(const Balloon& balloon) override
    {
        m_icon.showMessage(balloon.title, balloon.text, qtIcon(balloon.icon), balloon.timeoutMs);
    }

private:
    QSystemTrayIcon m_icon;
};

// At most limit UTF-16 units, never half of a character written as a surrogate pair.
QString cut(const QString& text, int limit)
{
    if (text.size() <= limit)
        return text;
    const int end = text.at(limit - 1).isHighSurrogate() ? limit - 1 : limit;
    return text.left(end);
}

TrayIcon::PlatformFactory& installedFactory()
{
    static TrayIcon::PlatformFactory factory;
    return factory;
}

} // namespace

void TrayIcon::installPlatformFactory(PlatformFactory factory) { installedFactory() = std::move(factory); }

TrayIcon::TrayIcon(QWidget* mainWindow, QObject* parent)
    : QObject(parent),
      m_window(mainWindow),
      m_platform(installedFactory() ? installedFactory()() : std::make_unique<QtTrayPlatform>())
{
    m_platform->balloonClicked = [this] { emit balloonClicked(); };
    m_platform->iconClicked = [this] { emit iconClicked(); };
    if (m_window)
        m_window->installEventFilter(this);
}

TrayIcon::~TrayIcon()
{
    m_platform->balloonClicked = nullptr;
    m_platform->iconClicked = nullptr;
    m_platform->setVisible(false);
}

void TrayIcon::setIconVisible(bool visible)
{
    if (!visible && m_inTray)
        return;
    m_iconVisible = visible;
    m_platform->setVisible(visible);
}

void TrayIcon::setIcon(const QIcon& icon) { m_platform->setIcon(icon); }

void TrayIcon::setPopupMenu(QMenu* menu) { m_platform->setMenu(menu); }

void TrayIcon::setToolTip(const QString& text) { m_platform->setToolTip(text); }

void TrayIcon::showBalloon(const QString& title, const QString& text, BalloonIcon icon, int timeoutSeconds)
{
    m_platform->showBalloon({cut(title, kTitleLimit), cut(text, kTextLimit), icon, timeoutSeconds * 1000});
}

void TrayIcon::restoreMainWindow()
{
    m_inTray = false;
    if (!m_window)
        return;
    if (m_window->isMinimized())
        m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void TrayIcon::hideToTray()
{
    if (!m_window || !m_platform->available())
        return;
    m_inTray = true;
    m_window->hide();
    setIconVisible(true);
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    // Only the program shows a hidden window; the platform's own show notices may trail a hide.
    if (watched == m_window && event->type() == QEvent::Show && !event->spontaneous())
        m_inTray = false;
    if (watched == m_window && event->type() == QEvent::WindowStateChange && m_window->isMinimized() &&
        m_minimizeToTray) {
        // Hiding a window inside its own state change confuses some window managers; do it right after.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_window && m_window->isMinimized() && m_minimizeToTray && !m_inTray)
                    hideToTray();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kestrune::app
