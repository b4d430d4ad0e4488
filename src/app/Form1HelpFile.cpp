#include "Form1.h"

#include <QFile>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {
const char* const kHelpResource = ":/kestrune/help/kestrune.html";
}

void TForm1::WriteHelpFileIfMissing()
{
    std::error_code ignored;
    if (std::filesystem::exists(Paths.HelpFile, ignored))
        return;
    if (Paths.InConfigFolder)
        EnsureAppFolder(Paths);
    QFile resource(QString::fromLatin1(kHelpResource));
    if (!resource.open(QIODevice::ReadOnly))
        throw std::runtime_error("The help document is missing from the program.");
    const QByteArray bytes = resource.readAll();

    const QString path = QString::fromStdString(Paths.HelpFile.string());
    QFile target(path);
    if (target.open(QIODevice::WriteOnly | QIODevice::Truncate) && target.write(bytes) == bytes.size() &&
        target.flush())
        return;
    const QString reason = target.errorString();
    // A cut-off copy would count as present at the next start and never be written again.
    if (target.isOpen()) {
        target.close();
        target.remove();
    }
    throw std::runtime_error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason).toStdString());
}
