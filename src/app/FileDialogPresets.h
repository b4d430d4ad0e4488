#pragma once

#include "Dialogs.h"

#include <QString>

namespace kestrune::app {

// The folder part of a path: up to its last "/", the root itself for a file in the root, empty for a bare name.
QString folderOf(const QString& path);
// The file name without folder and without its last extension.
QString nameWithoutExtension(const QString& path);

// The dialog preset for a box holding a file path: that file's name and folder, or, for an empty box,
// emptyName in the executable's folder.
FileDialogOptions presetFromBox(FileDialogOptions dialog, const QString& boxText, const QString& emptyName,
                                 const QString& executablePath);

} // namespace kestrune::app
