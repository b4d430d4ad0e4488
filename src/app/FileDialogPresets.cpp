#include "FileDialogPresets.h"

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString NameWithoutExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    // A leading dot starts a hidden file's name, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

TFileDialogOptions PresetFromBox(TFileDialogOptions dialog, const QString& boxText, const QString& emptyName,
                                 const QString& executablePath)
{
    if (!boxText.isEmpty()) {
        dialog.fileName = NameWithoutExtension(boxText);
        dialog.initialDir = FolderOf(boxText);
    } else {
        dialog.fileName = emptyName;
        dialog.initialDir = FolderOf(executablePath);
    }
    return dialog;
}
