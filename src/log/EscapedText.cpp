#include "EscapedText.h"

namespace {

bool isControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

QString byteCode(quint8 byte)
{
    return QStringLiteral("\\x") + QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

// The length of the valid UTF-8 sequence at `at`, 0 when the byte there starts none.
qsizetype utf8Length(QByteArrayView bytes, qsizetype at)
{
    const auto lead = quint8(bytes[at]);
    const qsizetype length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead < 0xE0 ? 2
                             : lead >= 0xE0 && lead < 0xF0 ? 3
                             : lead >= 0xF0 && lead < 0xF5 ? 4
                                                           : 0;
    if (length == 0 || at + length > bytes.size())
        return 0;
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = quint8(bytes[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (next & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
    constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool valid = value >= Least[length] && !(value >= 0xD800 && value <= 0xDFFF) && value <= 0x10FFFF;
    return valid ? length : 0;
}

} // namespace

QString escapedText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text)
        shown += isControl(c.unicode()) ? byteCode(quint8(c.unicode())) : QString(c);
    return shown;
}

QString escapedBytes(QByteArrayView bytes)
{
    QString shown;
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = utf8Length(bytes, at);
        if (length == 0) {
            shown += byteCode(quint8(bytes[at++]));
            continue;
        }
        shown += escapedText(QString::fromUtf8(bytes.sliced(at, length)));
        at += length;
    }
    return shown;
}
