// Windows-1252 conversion: Latin-1 plus the printable characters at 0x80 to 0x9F.
#include "util/cp1252.h"

namespace {

// Unicode of the bytes 0x80..0x9F; the undefined ones keep their C1 value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte of one UTF-16 unit, or -1 when the code page lacks it.
int byteOf(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c)
            return 0x80 + i;
    }
    return -1;
}

template <typename OnMissing> QByteArray encode(const QString& text, OnMissing onMissing)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const int b = byteOf(c);
        if (b >= 0) {
            out.append(char(b));
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text.at(i + 1).unicode());
            ++i;
        }
        onMissing(out, code);
    }
    return out;
}

} // namespace

QByteArray toCp1252(const QString& text, bool* lossless)
{
    bool all = true;
    QByteArray out = encode(text, [&all](QByteArray& o, char32_t) {
        all = false;
        o.append('?');
    });
    if (lossless)
        *lossless = all;
    return out;
}

QByteArray toCp1252Html(const QString& text)
{
    return encode(text, [](QByteArray& o, char32_t code) {
        o.append("&#");
        o.append(QByteArray::number(quint32(code)));
        o.append(';');
    });
}

QString fromCp1252(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const unsigned char b = static_cast<unsigned char>(ch);
        out.append(b >= 0x80 && b < 0xA0 ? QChar(kHigh[b - 0x80]) : QChar(char16_t(b)));
    }
    return out;
}

bool fitsCp1252(const QString& text)
{
    for (QChar c : text) {
        if (byteOf(c.unicode()) < 0)
            return false;
    }
    return true;
}
