#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QWidget;

enum class EBalloonIcon { None, Info, Warning, Error };

struct TBalloon {
    QString Title;
    QString Text;
    EBalloonIcon Icon = EBalloonIcon::None;
    int TimeoutMs = 0;
};

// The desktop's side of the icon: the notification area itself, or a test's stand-in.
class TTrayPlatform {
public:
    virtual ~TTrayPlatform() = default;
    // False where the desktop has no notification area (a bare X server).
    virtual bool Available() const = 0;
    virtual void SetIcon(const QIcon& icon) = 0;
    // Shown at the pointer when the right mouse button is pressed on the icon; other clicks do nothing.
    virtual void SetMenu(QMenu* menu) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Replaces any balloon still shown.
    virtual void ShowBalloon(const TBalloon& balloon) = 0;

    // Set by the icon; the platform calls it when the user clicks a balloon.
    std::function<void()> BalloonClicked;
};

// The program's notification-area icon: shows balloons and, when minimising should hide the program,
// turns a minimised main window into the tray state (window hidden, icon shown).
class TTrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kTitleLimit = 63;
    static constexpr int kTextLimit = 255;

    using TPlatformFactory = std::function<std::unique_ptr<TTrayPlatform>()>;
    // Tests give every icon created after this call their own platform; an empty factory restores
    // the desktop's notification area.
    static void InstallPlatformFactory(TPlatformFactory factory);

    TTrayIcon(QWidget* mainWindow, QObject* parent = nullptr);
    ~TTrayIcon() override;

    bool MinimizeToTray() const { return minimizeToTray_; }
    void SetMinimizeToTray(bool on) { minimizeToTray_ = on; }

    bool IconVisible() const { return iconVisible_; }
    // While the program lives in the tray the icon is its only way back, so hiding it is refused then.
    void SetIconVisible(bool visible);

    void SetIcon(const QIcon& icon);
    void SetPopupMenu(QMenu* menu);

    // Title and text are cut to what the notification area holds.
    void ShowBalloon(const QString& title, const QString& text, EBalloonIcon icon, int timeoutSeconds);

    // Back from the taskbar or the tray: normal state, visible, in front.
    void RestoreMainWindow();
    // Hides the main window and shows the icon. Without a notification area the window stays minimised
    // on the taskbar instead, since hiding it would leave no way back.
    void HideToTray();
    bool InTrayState() const { return inTray_; }

    TTrayPlatform& Platform() { return *platform_; }

signals:
    void BalloonHintClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    std::unique_ptr<TTrayPlatform> platform_;
    bool minimizeToTray_ = false;
    bool iconVisible_ = false;
    bool inTray_ = false;
};
