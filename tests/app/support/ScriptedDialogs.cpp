#include "ScriptedDialogs.h"

#include <QDialog>

using namespace kestrune::app;

using kestrune::app::FileDialogOptions;

QStringList ScriptedDialogs::texts(Kind kind) const
{
    QStringList result;
    for (const ShownDialog& dialog : shown)
        if (dialog.kind == kind)
            result << dialog.text;
    return result;
}

void ScriptedDialogs::clear()
{
    shown.clear();
    beeps = 0;
    openedUrls.clear();
}

void ScriptedDialogs::showMessage(const QString& text) { shown.append({Kind::Message, text, {}, {}}); }

void ScriptedDialogs::showError(const QString& text) { shown.append({Kind::Error, text, {}, {}}); }

bool ScriptedDialogs::confirmYesNo(const QString& text, QPoint topLeft)
{
    shown.append({Kind::Confirm, text, topLeft, {}});
    return !confirmAnswers.isEmpty() && confirmAnswers.dequeue();
}

QString ScriptedDialogs::inputBox(const QString& caption, const QString& prompt, const QString& defaultText)
{
    shown.append({Kind::Input, caption + QLatin1Char('|') + prompt, {}, {}});
    return inputAnswers.isEmpty() ? defaultText : inputAnswers.dequeue();
}

std::optional<QString> ScriptedDialogs::openFileName(const FileDialogOptions& options)
{
    shown.append({Kind::OpenFile, options.fileName, {}, options});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

std::optional<QString> ScriptedDialogs::saveFileName(const FileDialogOptions& options)
{
    shown.append({Kind::SaveFile, options.fileName, {}, options});
    return fileAnswers.isEmpty() ? std::nullopt : fileAnswers.dequeue();
}

bool ScriptedDialogs::runDialog(QDialog& dialog)
{
    shown.append({Kind::Dialog, dialog.windowTitle(), {}, {}});
    return !dialogAnswers.isEmpty() && dialogAnswers.dequeue()(dialog);
}
