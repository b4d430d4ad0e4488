#include "Form1.h"

#include "TrayIcon.h"

#include <QAction>
#include <QCheckBox>
#include <QIcon>
#include <QMenu>
#include <QTimer>

namespace {

const char* const kErrorBalloonTitle = "Kestrune Error";
constexpr int kErrorBalloonSeconds = 10;

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addFile(QStringLiteral(":/kestrune/icons/kestrune-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

void TForm1::ConnectTrayHandlers()
{
    TrayIcon = new TTrayIcon(this, this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    const QIcon icon = ProgramIcon();
    TrayIcon->SetIcon(icon);
    TrayIcon->SetPopupMenu(PopupMenu1);
    setWindowIcon(icon);

    connect(TrayIcon, &TTrayIcon::BalloonHintClick, this, [this] { Guarded([this] { TrayIconBalloonHintClick(); }); });
    connect(RestoreKestrune1, &QAction::triggered, this, [this] { Guarded([this] { RestoreKestrune1Click(); }); });
    connect(cbMinimize, &QCheckBox::toggled, this, [this] { Guarded([this] { cbMinimizeClick(); }); });
    connect(Timer2, &QTimer::timeout, this, [this] { Guarded([this] { Timer2Timer(); }); });
    connect(IconTimer, &QTimer::timeout, this, [this] { Guarded([this] { IconTimerTimer(); }); });
}

void TForm1::cbMinimizeClick() { TrayIcon->SetMinimizeToTray(cbMinimize->isChecked()); }

void TForm1::Timer2Timer()
{
    // A slow first check lets the timer run before the program entry shows the window; that show would
    // undo the minimising, so wait for it.
    if (!shownBefore_)
        return;
    // Minimising hands the window to the tray icon when minimise-to-tray is on.
    showMinimized();
    SetTimerEnabled(Timer2, false);
}

void TForm1::ShowErrorBalloon(const QString& text)
{
    TrayIcon->SetIconVisible(true);
    SetTimerEnabled(IconTimer, true);
    TrayIcon->ShowBalloon(QString::fromLatin1(kErrorBalloonTitle), text, EBalloonIcon::Info, kErrorBalloonSeconds);
}

// In the tray state the icon refuses to hide, so the balloon's clean-up never strands the window.
void TForm1::IconTimerTimer()
{
    TrayIcon->SetIconVisible(false);
    SetTimerEnabled(IconTimer, false);
}

void TForm1::TrayIconBalloonHintClick()
{
    TrayIcon->SetIconVisible(false);
    SetTimerEnabled(IconTimer, false);
}

void TForm1::RestoreKestrune1Click()
{
    TrayIcon->RestoreMainWindow();
    TrayIcon->SetIconVisible(false);
}
