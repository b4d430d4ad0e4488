#include "TrayIcon.h"

#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {

QSystemTrayIcon::MessageIcon QtIcon(EBalloonIcon icon)
{
    switch (icon) {
    case EBalloonIcon::Info: return QSystemTrayIcon::Information;
    case EBalloonIcon::Warning: return QSystemTrayIcon::Warning;
    case EBalloonIcon::Error: return QSystemTrayIcon::Critical;
    case EBalloonIcon::None: break;
    }
    return QSystemTrayIcon::NoIcon;
}

class TQtTrayPlatform : public TTrayPlatform {
public:
    TQtTrayPlatform()
    {
        // No tooltip: the icon carries no hint text. Left clicks and double-clicks are left unanswered;
        // the context menu opens on the right button alone.
        QObject::connect(&icon_, &QSystemTrayIcon::messageClicked, [this] {
            if (BalloonClicked)
                BalloonClicked();
        });
    }

    bool Available() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void SetIcon(const QIcon& icon) override { icon_.setIcon(icon); }
    void SetMenu(QMenu* menu) override { icon_.setContextMenu(menu); }
    void SetVisible(bool visible) override { icon_.setVisible(visible); }
    void ShowBalloon(const TBalloon& balloon) override
    {
        icon_.showMessage(balloon.Title, balloon.Text, QtIcon(balloon.Icon), balloon.TimeoutMs);
    }

private:
    QSystemTrayIcon icon_;
};

// At most limit UTF-16 units, never half of a character written as a surrogate pair.
QString Cut(const QString& text, int limit)
{
    if (text.size() <= limit)
        return text;
    const int end = text.at(limit - 1).isHighSurrogate() ? limit - 1 : limit;
    return text.left(end);
}

TTrayIcon::TPlatformFactory& Factory()
{
    static TTrayIcon::TPlatformFactory factory;
    return factory;
}

} // namespace

void TTrayIcon::InstallPlatformFactory(TPlatformFactory factory) { Factory() = std::move(factory); }

TTrayIcon::TTrayIcon(QWidget* mainWindow, QObject* parent)
    : QObject(parent),
      window_(mainWindow),
      platform_(Factory() ? Factory()() : std::make_unique<TQtTrayPlatform>())
{
    platform_->BalloonClicked = [this] { emit BalloonHintClick(); };
    if (window_)
        window_->installEventFilter(this);
}

TTrayIcon::~TTrayIcon()
{
    platform_->BalloonClicked = nullptr;
    platform_->SetVisible(false);
}

void TTrayIcon::SetIconVisible(bool visible)
{
    if (!visible && inTray_)
        return;
    iconVisible_ = visible;
    platform_->SetVisible(visible);
}

void TTrayIcon::SetIcon(const QIcon& icon) { platform_->SetIcon(icon); }

void TTrayIcon::SetPopupMenu(QMenu* menu) { platform_->SetMenu(menu); }

void TTrayIcon::ShowBalloon(const QString& title, const QString& text, EBalloonIcon icon, int timeoutSeconds)
{
    platform_->ShowBalloon({Cut(title, kTitleLimit), Cut(text, kTextLimit), icon, timeoutSeconds * 1000});
}

void TTrayIcon::RestoreMainWindow()
{
    inTray_ = false;
    if (!window_)
        return;
    if (window_->isMinimized())
        window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void TTrayIcon::HideToTray()
{
    if (!window_ || !platform_->Available())
        return;
    inTray_ = true;
    window_->hide();
    SetIconVisible(true);
}

bool TTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    // Only the program shows a hidden window; the platform's own show notices may trail a hide.
    if (watched == window_ && event->type() == QEvent::Show && !event->spontaneous())
        inTray_ = false;
    if (watched == window_ && event->type() == QEvent::WindowStateChange && window_->isMinimized() &&
        minimizeToTray_) {
        // Hiding a window inside its own state change confuses some window managers; do it right after.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (window_ && window_->isMinimized() && minimizeToTray_ && !inTray_)
                    HideToTray();
            },
            Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}
