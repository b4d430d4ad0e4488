#include "FileDialogPresets.h"

namespace kestrune::app {

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString nameWithoutExtension(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    // A leading dot starts a hidden file's name, not an extension.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}

FileDialogOptions presetFromBox(FileDialogOptions dialog, const QString& boxText, const QString& emptyName,
                                 const QString& executablePath)
{
    if (!boxText.isEmpty()) {
        dialog.fileName = nameWithoutExtension(boxText);
        dialog.initialDir = folderOf(boxText);
    } else {
        dialog.fileName = emptyName;
        dialog.initialDir = folderOf(executablePath);
    }
    return dialog;
}

} // namespace kestrune::app
