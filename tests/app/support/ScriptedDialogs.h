#pragma once

#include "Dialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>
#include <functional>

// Answers the window's questions from a script and records everything it showed.
// Unscripted questions get No, Cancel or an empty answer, and are recorded all the same.
class ScriptedDialogs : public kestrune::app::Dialogs {
public:
    enum class Kind { Message, Error, Confirm, Input, OpenFile, SaveFile, Dialog };
    struct ShownDialog {
        Kind kind;
        QString text;      // the message, question or prompt
        QPoint position;   // for Confirm
        kestrune::app::FileDialogOptions file; // for OpenFile / SaveFile
    };

    QQueue<bool> confirmAnswers;
    QQueue<QString> inputAnswers;
    QQueue<std::optional<QString>> fileAnswers;
    // Each fills in the window's dialog as a user would and says whether it was accepted.
    QQueue<std::function<bool(QDialog&)>> dialogAnswers;

    QList<ShownDialog> shown;
    int beeps = 0;
    QStringList openedUrls;
    bool clipboardText = false;
    QString clipboard;

    // The texts shown of one kind, in order.
    QStringList texts(Kind kind) const;
    QStringList messages() const { return texts(Kind::Message); }
    QStringList errors() const { return texts(Kind::Error); }
    void clear();

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    bool confirmYesNo(const QString& text, QPoint topLeft) override;
    QString inputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
    std::optional<QString> openFileName(const kestrune::app::FileDialogOptions& options) override;
    std::optional<QString> saveFileName(const kestrune::app::FileDialogOptions& options) override;
    void beep() override { ++beeps; }
    bool runDialog(QDialog& dialog) override;
    // Answers as the desktop would; false plays a desktop without a browser or mail program.
    bool openUrlAnswer = true;
    bool openUrl(const QString& url) override
    {
        openedUrls << url;
        return openUrlAnswer;
    }
    bool clipboardHasText() override { return clipboardText; }
    QString readClipboard() override { return clipboard; }
    void writeClipboard(const QString& text) override
    {
        clipboard = text;
        clipboardText = !text.isEmpty();
    }
};
