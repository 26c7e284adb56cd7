// Conversions between the model's 8-bit texts and Qt strings.
#pragma once

#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace qv::gui {

// 8-bit text read as Latin-1.
inline QString FromLatin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Names, entries and report texts of a design: a text that is valid UTF-8
// (names read from a directory) is shown as UTF-8, any other as Latin-1
// (names from DSDIAG and NLIST reports are 8-bit text). ASCII is both.
inline QString FromModel(std::string_view s) {
    QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString out = dec.decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    return dec.hasError() ? FromLatin1(s) : out;
}

// Texts go back to the model as Latin-1 when every character fits it (as
// they always have), otherwise as UTF-8, so that no character is lost.
inline std::string ToModel(const QString& s) {
    bool latin1 = true;
    for (QChar c : s)
        latin1 = latin1 && c.unicode() <= 0xFF;
    QByteArray b = latin1 ? s.toLatin1() : s.toUtf8();
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
    QString out = FromModel(s);
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

} // namespace qv::gui
