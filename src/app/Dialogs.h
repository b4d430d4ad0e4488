#pragma once

#include <QPoint>
#include <QString>
#include <optional>

// What a file dialog starts with. The filter uses the "Description|*.a;*.b|..." form of the window's
// dialog components; implementations translate it.
struct TFileDialogOptions {
    QString filter;
    QString defaultExtension; // without the dot, e.g. "txt"
    QString initialDir;
    QString fileName;
};

// Everything that needs a person or the desktop. The window never calls Qt's dialogs directly, so a
// test can answer each question and see every text that was shown.
class TDialogs {
public:
    virtual ~TDialogs() = default;

    // A message box with an OK button.
    virtual void ShowMessage(const QString& text) = 0;
    // The general error report for an error that no handler caught.
    virtual void ShowError(const QString& text) = 0;
    // A Yes/No question whose top-left corner lies at topLeft (screen coordinates); true for Yes.
    virtual bool ConfirmYesNo(const QString& text, QPoint topLeft) = 0;
    // An input box; Cancel gives defaultText back.
    virtual QString InputBox(const QString& caption, const QString& prompt, const QString& defaultText) = 0;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> OpenFileName(const TFileDialogOptions& options) = 0;
    virtual std::optional<QString> SaveFileName(const TFileDialogOptions& options) = 0;
    virtual void Beep() = 0;
    // Opens a file, web address or "mailto:" link with the desktop's handler.
    virtual void OpenUrl(const QString& url) = 0;
    virtual bool ClipboardHasText() = 0;
    virtual QString ReadClipboard() = 0;
    virtual void WriteClipboard(const QString& text) = 0;
};
