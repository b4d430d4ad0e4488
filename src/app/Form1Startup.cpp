#include "Form1.h"

#include "ListRows.h"
#include "SelectionCode.h"
#include "SpinEdit.h"
#include "TrayIcon.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <system_error>

void TForm1::FormCreate()
{
    LoadSettings();
    if (!StartFilesWritten())
        return;
    const bool debugView = cbDebug->isChecked();
    CheckListBox5->setVisible(debugView);
    CheckListBox6->setVisible(debugView);
    Panel4->setVisible(debugView);
    SetTimerEnabled(Timer2, cbStartMinimized->isChecked());
    ListRows::SetChecked(CheckListBox6, 0, true);
    ListRows::SetChecked(CheckListBox6, 2, true);
    RestoreSelectedLookup();
    DNSBlocked1 = false;
    DNSBlocked2 = false;
    SetTimerEnabled(DNSBlock1, false);
    SetTimerEnabled(DNSBlock2, false);
    Button12->setEnabled(rbExternal->isChecked());
    TrayIcon->SetMinimizeToTray(cbMinimize->isChecked());
    cbAutoStartRefresh->setText(SpinEdit1->Value() != 0 ? QStringLiteral("Start automatically")
                                                         : QStringLiteral("Check once at startup"));
    TsFTPShow();
    if (cbAutoStartRefresh->isChecked() && btnStart->isEnabled())
        btnStartClick(this);
}

bool TForm1::StartFilesWritten()
{
    try {
        WriteHelpFileIfMissing();
    } catch (const std::exception& error) {
        dialogs_.ShowError(QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

void TForm1::RestoreSelectedLookup()
{
    const TSelection selection = ResolveSelectionCode(SelectedRouter, static_cast<std::size_t>(ListBox5->count()),
                                                      static_cast<std::size_t>(ListBox6->count()));
    switch (selection.Kind) {
    case TSelection::None:
        // A code naming no row (a hand-edited file) selects nothing and is not written back.
        if (SelectedRouter >= 0)
            SelectedRouter = kNoSelection;
        break;
    case TSelection::User:
        btnRemove->setEnabled(true);
        ListBox5->setCurrentRow(static_cast<int>(selection.Row));
        ListBox5Click();
        break;
    case TSelection::Preset:
        btnWebEdit->setEnabled(false);
        btnRemove->setEnabled(false);
        ListBox6->setCurrentRow(static_cast<int>(selection.Row));
        SelectPresetClick();
        break;
    }
}

void TForm1::FormShow()
{
    if (!shownBefore_) {
        shownBefore_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    setAcceptDrops(true);
    PageControl9->setCurrentWidget(TsUser);
}

void TForm1::FormCloseQuery(bool& CanClose)
{
    CanClose = false;
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        if (!ending_) {
            dialogs_.ShowError(QString::fromUtf8(error.what()));
            return;
        }
        // No one may be there to answer a message box; the files stay for the next start.
        std::fprintf(stderr, "Kestrune: %s\n", error.what());
        std::fflush(stderr);
        exitStatus_ = 1;
        CanClose = true;
        return;
    }
    RemoveFilesAtClose();
    CanClose = true;
}

void TForm1::RemoveFilesAtClose()
{
    std::error_code ignored;
    // The log's temporary file has an unpredictable name and is gone once an entry is written; the log's name
    // with ".tmp" may well be a file of the user's, so it is left alone.
    if (std::filesystem::is_regular_file(Paths.HelpFile, ignored))
        std::filesystem::remove(Paths.HelpFile, ignored);
}

void TForm1::ExitKestrune1Click()
{
    // Closing a window hidden in the tray ends no event loop by itself; the program must end all the same.
    if (close())
        QCoreApplication::quit();
}

void TForm1::CloseRequestedFromOutside()
{
    ending_ = true;
    if (!closeAccepted_)
        close();
    TNetAntiFreeze::CancelAllWaits();
    // Not quit(): that asks every window again and a refusal would keep the program.
    QCoreApplication::exit(exitStatus_);
}

void TForm1::SessionEnding()
{
    ending_ = true;
    bool canClose = false;
    Guarded([&] { FormCloseQuery(canClose); });
}

void TForm1::ApplicationQuitting()
{
    TNetAntiFreeze::CancelAllWaits();
    if (!closeAccepted_)
        SessionEnding();
}
