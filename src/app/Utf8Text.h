// The window's texts and the core's byte strings meet here: the core keeps UTF-8 bytes as typed.
#pragma once

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

inline QString Text(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string Bytes(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// Bytes that are not UTF-8 (from another program or an older version's code page) show one character per byte.
inline QString ShownText(std::string_view bytes)
{
    QString text = Text(bytes);
    if (Bytes(text) != bytes)
        text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}
