// The window's texts and the core's byte strings meet here: the core keeps UTF-8 bytes as typed.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

namespace kestrune::app {

inline QString toQString(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string toBytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// Bytes that are not UTF-8 (from another program or an older version's code page) show one character per byte.
inline QString shownText(std::string_view bytes)
{
    QString text = toQString(bytes);
    if (toBytes(text) != bytes)
        text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}

// The bytes to save for a field: those loaded while it still shows them, so bytes that are not UTF-8 survive;
// an edited field gives the UTF-8 of its text.
inline std::string keptBytes(const QString& shown, const std::string& loaded)
{
    return shown == shownText(loaded) ? loaded : toBytes(shown);
}

} // namespace kestrune::app
