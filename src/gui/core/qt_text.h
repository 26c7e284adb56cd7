// Conversions between the model's 8-bit texts and Qt strings.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace qv::gui {

// Names, entries and report texts of a design are 8-bit (Latin-1) texts.
inline QString FromModel(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Typed names go back as 8-bit texts; characters outside Latin-1 become "?".
inline std::string ToModel(const QString& s) {
    QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// Paths are the file system's (UTF-8) bytes.
inline std::string ToPath(const QString& s) {
    QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// Messages and captions may mix paths (UTF-8) and names (Latin-1): a text that
// is valid UTF-8 is read as such, any other as Latin-1. "\r" is a line break.
inline QString FromMessage(std::string_view s) {
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString out = dec.decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    if (dec.hasError())
        out = FromModel(s);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

} // namespace qv::gui
