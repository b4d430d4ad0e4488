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

} // namespace kestrune::app
