#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

namespace kestrune::app {

enum class BalloonIcon { None, Info, Warning, Error };

struct Balloon {
    QString title;
    QString text;
    BalloonIcon icon = BalloonIcon::None;
    int timeoutMs = 0;
};

// The desktop's side of the icon: the notification area itself, or a test's stand-in.
class TrayPlatform {
public:
    virtual ~TrayPlatform() = default;
    // False where the desktop has no notification area (a bare X server).
    virtual bool available() const = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    // Shown at the pointer when the right mouse button is pressed on the icon.
    virtual void setMenu(QMenu* menu) = 0;
    // The hint at the pointer over the icon; a stand-in may ignore it.
    virtual void setToolTip(const QString& /*text*/) {}
    virtual void setVisible(bool visible) = 0;
    // Replaces any balloon still shown.
    virtual void showBalloon(const Balloon& balloon) = 0;

    // Set by the icon; the platform calls them when the user clicks a balloon or the icon (left button).
    std::function<void()> balloonClicked;
    std::function<void()> iconClicked;
};

// The program's notification-area icon: shows balloons and, when minimising should hide the program,
// turns a minimised main window into the tray state (window hidden, icon shown).
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kTitleLimit = 63;
    static constexpr int kTextLimit = 255;

    using PlatformFactory = std::function<std::unique_ptr<TrayPlatform>()>;
    // Tests give every icon created after this call their own platform; an empty factory restores
    // the desktop's notification area.
    static void installPlatformFactory(PlatformFactory factory);

    TrayIcon(QWidget* mainWindow, QObject* parent = nullptr);
    ~TrayIcon() override;

    bool minimizeToTray() const { return m_minimizeToTray; }
    void setMinimizeToTray(bool on) { m_minimizeToTray = on; }

    bool iconVisible() const { return m_iconVisible; }
    // While the program lives in the tray the icon is its only way back, so hiding it is refused then.
    void setIconVisible(bool visible);

    void setIcon(const QIcon& icon);
    void setPopupMenu(QMenu* menu);
    void setToolTip(const QString& text);

    // Title and text are cut to what the notification area holds.
    void showBalloon(const QString& title, const QString& text, BalloonIcon icon, int timeoutSeconds);

    // Back from the taskbar or the tray: normal state, visible, in front.
    void restoreMainWindow();
    // Hides the main window and shows the icon. Without a notification area the window stays minimised
    // on the taskbar instead, since hiding it would leave no way back.
    void hideToTray();
    bool inTrayState() const { return m_inTray; }

    TrayPlatform& platform() { return *m_platform; }

signals:
    void balloonClicked();
    void iconClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::unique_ptr<TrayPlatform> m_platform;
    bool m_minimizeToTray = false;
    bool m_iconVisible = false;
    bool m_inTray = false;
};

} // namespace kestrune::app
