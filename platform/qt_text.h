#pragma once

#include <QString>
#include <string>
#include <string_view>

// The one conversion between Qt's texts and the program's: the core holds UTF-8 in std::string, for
// texts and file paths alike.

namespace zelto {

inline QString ToQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace zelto
