#include "ScriptedDialogs.h"

QStringList TScriptedDialogs::Texts(EKind kind) const
{
    QStringList texts;
    for (const TShown& shown : Shown)
        if (shown.Kind == kind)
            texts << shown.Text;
    return texts;
}

void TScriptedDialogs::Clear()
{
    Shown.clear();
    Beeps = 0;
    OpenedUrls.clear();
}

void TScriptedDialogs::ShowMessage(const QString& text) { Shown.append({EKind::Message, text, {}, {}}); }

void TScriptedDialogs::ShowError(const QString& text) { Shown.append({EKind::Error, text, {}, {}}); }

bool TScriptedDialogs::ConfirmYesNo(const QString& text, QPoint topLeft)
{
    Shown.append({EKind::Confirm, text, topLeft, {}});
    return !ConfirmAnswers.isEmpty() && ConfirmAnswers.dequeue();
}

QString TScriptedDialogs::InputBox(const QString& caption, const QString& prompt, const QString& defaultText)
{
    Shown.append({EKind::Input, caption + QLatin1Char('|') + prompt, {}, {}});
    return InputAnswers.isEmpty() ? defaultText : InputAnswers.dequeue();
}

std::optional<QString> TScriptedDialogs::OpenFileName(const TFileDialogOptions& options)
{
    Shown.append({EKind::OpenFile, options.fileName, {}, options});
    return FileAnswers.isEmpty() ? std::nullopt : FileAnswers.dequeue();
}

std::optional<QString> TScriptedDialogs::SaveFileName(const TFileDialogOptions& options)
{
    Shown.append({EKind::SaveFile, options.fileName, {}, options});
    return FileAnswers.isEmpty() ? std::nullopt : FileAnswers.dequeue();
}
