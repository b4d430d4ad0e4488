#pragma once

#include "Dialogs.h"

#include <QPointer>
#include <QWidget>

namespace kestrune::app {

// The real dialogs: Qt message boxes, input and file dialogs, the desktop's URL handler.
class QtDialogs : public Dialogs {
public:
    // Dialogs are centred on and owned by this window; it may be set once the window exists.
    void setOwner(QWidget* owner) { m_owner = owner; }

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool confirmYesNo(const QString& text, QPoint topLeft) override;
    QString inputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
    std::optional<QString> openFileName(const FileDialogOptions& options) override;
    std::optional<QString> saveFileName(const FileDialogOptions& options) override;
    void beep() override;
    bool runDialog(QDialog& dialog) override;
    bool openUrl(const QString& url) override;
    bool clipboardHasText() override;
    QString readClipboard() override;
    void writeClipboard(const QString& text) override;

    // Closes every dialog that is open, message boxes included, as if cancelled: the program is ending.
    static void closeOpenDialogs();

    // "Text Files (*.txt)|*.txt|..." to Qt's name filters.
    static QStringList nameFilters(const QString& filter);

private:
    QPointer<QWidget> m_owner;
};

} // namespace kestrune::app
