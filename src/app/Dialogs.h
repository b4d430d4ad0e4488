#pragma once

#include <QPoint>
#include <QString>
#include <optional>

class QDialog;

namespace kestrune::app {

// What a file dialog starts with. The filter uses the "Description|*.a;*.b|..." form of the window's
// dialog components; implementations translate it.
struct FileDialogOptions {
    QString filter;
    QString defaultExtension; // without the dot, e.g. "txt"
    QString initialDir;
    QString fileName;
};

// Everything that needs a person or the desktop. The window never calls Qt's dialogs directly, so a
// test can answer each question and see every text that was shown.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message box with an OK button.
    virtual void showMessage(const QString& text) = 0;
    // The general error report for an error that no handler caught.
    virtual void showError(const QString& text) = 0;
    // A Yes/No question whose top-left corner lies at topLeft (screen coordinates); true for Yes.
    virtual bool confirmYesNo(const QString& text, QPoint topLeft) = 0;
    // An input box; Cancel gives defaultText back.
    virtual QString inputBox(const QString& caption, const QString& prompt, const QString& defaultText) = 0;
    // The chosen full path, or nothing when the user cancelled.
    virtual std::optional<QString> openFileName(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> saveFileName(const FileDialogOptions& options) = 0;
    virtual void beep() = 0;
    // Runs one of the window's own dialogs modally; true when the user accepted it.
    virtual bool runDialog(QDialog& dialog) = 0;
    // Opens a file, web address or "mailto:" link with the desktop's handler; false when none took it.
    virtual bool openUrl(const QString& url) = 0;
    virtual bool clipboardHasText() = 0;
    virtual QString readClipboard() = 0;
    virtual void writeClipboard(const QString& text) = 0;
};

// Runs an entry dialog showing shown until its fields make an entry (each refusal told, the fields kept as typed
// for the next try) or it is cancelled.
template <class EntryDialog, class Entry>
std::optional<Entry> askEntry(Dialogs& dialogs, EntryDialog& dialog, const Entry& shown)
{
    dialog.setEntry(shown);
    while (dialogs.runDialog(dialog)) {
        const QString problem = dialog.problem();
        if (problem.isEmpty())
            return dialog.entry();
        dialogs.showMessage(problem);
    }
    return std::nullopt;
}

} // namespace kestrune::app
