#pragma once

#include "Dialogs.h"

#include <QPointer>
#include <QWidget>

// The real dialogs: Qt message boxes, input and file dialogs, the desktop's URL handler.
class TQtDialogs : public TDialogs {
public:
    // Dialogs are centred on and owned by this window; it may be set once the window exists.
    void SetOwner(QWidget* owner) { owner_ = owner; }

    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    bool ConfirmYesNo(const QString& text, QPoint topLeft) override;
    QString InputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
    std::optional<QString> OpenFileName(const TFileDialogOptions& options) override;
    std::optional<QString> SaveFileName(const TFileDialogOptions& options) override;
    void Beep() override;
    void OpenUrl(const QString& url) override;
    bool ClipboardHasText() override;
    QString ReadClipboard() override;
    void WriteClipboard(const QString& text) override;

    // "Text Files (*.txt)|*.txt|..." to Qt's name filters.
    static QStringList NameFilters(const QString& filter);

private:
    QPointer<QWidget> owner_;
};
