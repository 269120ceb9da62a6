#pragma once

#include <filesystem>
#include <string>

#include <QString>

// The one border between the core's UTF-8 text and paths and Qt's QString. Nothing
// below app/ sees a QString; nothing in app/ converts by any other way.

inline QString ToQString(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The window's own fixed texts, UTF-8 literals of the source.
inline QString ToQString(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

inline std::string FromQString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

inline QString PathToQString(const std::filesystem::path& path)
{
    const std::u8string utf8 = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                             static_cast<qsizetype>(utf8.size()));
}

inline std::filesystem::path PathFromQString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(utf8.constData()),
                      static_cast<std::size_t>(utf8.size())));
}

// The multi-line edits show lines ended by LF; the core ends them with CR LF.
inline QString ToQStringLines(const std::string& utf8)
{
    QString text = ToQString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}
