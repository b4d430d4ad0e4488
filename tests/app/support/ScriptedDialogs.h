#pragma once

#include "Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

// Answers the window's questions from a script and records everything it showed.
// Unscripted questions get No, Cancel or an empty answer, and are recorded all the same.
class TScriptedDialogs : public TDialogs {
public:
    enum class EKind { Message, Error, Confirm, Input, OpenFile, SaveFile };
    struct TShown {
        EKind Kind;
        QString Text;   // the message, question or prompt
        QPoint Position; // for Confirm
        TFileDialogOptions File; // for OpenFile / SaveFile
    };

    QQueue<bool> ConfirmAnswers;
    QQueue<QString> InputAnswers;
    QQueue<std::optional<QString>> FileAnswers;

    QList<TShown> Shown;
    int Beeps = 0;
    QStringList OpenedUrls;
    bool ClipboardText = false;
    QString Clipboard;

    // The texts shown of one kind, in order.
    QStringList Texts(EKind kind) const;
    QStringList Messages() const { return Texts(EKind::Message); }
    QStringList Errors() const { return Texts(EKind::Error); }
    void Clear();

    void ShowMessage(const QString& text) override;
    void ShowError(const QString& text) override;
    bool ConfirmYesNo(const QString& text, QPoint topLeft) override;
    QString InputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
    std::optional<QString> OpenFileName(const TFileDialogOptions& options) override;
    std::optional<QString> SaveFileName(const TFileDialogOptions& options) override;
    void Beep() override { ++Beeps; }
    void OpenUrl(const QString& url) override { OpenedUrls << url; }
    bool ClipboardHasText() override { return ClipboardText; }
    QString ReadClipboard() override { return Clipboard; }
    void WriteClipboard(const QString& text) override
    {
        Clipboard = text;
        ClipboardText = !text.isEmpty();
    }
};
