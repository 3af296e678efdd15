// The SZDD format: a 14-byte header (signature, mode "A", a name character, the expanded
// length) and an LZSS stream with a 4096-byte window that starts filled with blanks.
#include "util/lzexpand.h"

#include <QIODevice>
#include <array>

namespace {

constexpr char kSignature[] = "SZDD\x88\xF0\x27\x33";
constexpr int kWindowSize = 4096;
constexpr int kStartPosition = kWindowSize - 16;

// Buffered byte reader over a device.
class ByteReader
{
public:
    explicit ByteReader(QIODevice& in) : m_in(in) {}
    // -1 at the end of the data, -2 on a read error.
    int next()
    {
        if (m_pos == m_buffer.size()) {
            m_buffer = m_in.read(64 * 1024);
            m_pos = 0;
            if (m_buffer.isEmpty())
                return m_in.atEnd() ? -1 : -2;
        }
        return static_cast<unsigned char>(m_buffer.at(m_pos++));
    }

private:
    QIODevice& m_in;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
};

} // namespace

bool isSzddHeader(const QByteArray& head)
{
    return head.size() >= kSzddHeaderSize && head.startsWith(QByteArray(kSignature, 8)) &&
           head.at(8) == 'A';
}

bool expandSzdd(QIODevice& in, QIODevice& out)
{
    const QByteArray header = in.read(kSzddHeaderSize);
    if (!isSzddHeader(header))
        return false;
    const quint32 expectedLength =
        quint32(quint8(header.at(10))) | (quint32(quint8(header.at(11))) << 8) |
        (quint32(quint8(header.at(12))) << 16) | (quint32(quint8(header.at(13))) << 24);

    std::array<char, kWindowSize> window;
    window.fill(' ');
    int windowPos = kStartPosition;
    QByteArray output;
    quint64 written = 0;
    ByteReader reader(in);

    auto emitByte = [&](char c) {
        window[windowPos] = c;
        windowPos = (windowPos + 1) & (kWindowSize - 1);
        output.append(c);
        ++written;
    };
    auto flush = [&]() {
        const bool ok = out.write(output) == output.size();
        output.clear();
        return ok;
    };

    // The stream ends with the data; the header's length bounds the output of a damaged file.
    while (written < expectedLength) {
        const int flags = reader.next();
        if (flags == -1)
            break;
        if (flags < 0)
            return false;
        for (int bit = 0; bit < 8 && written < expectedLength; ++bit) {
            if (flags & (1 << bit)) {
                const int literal = reader.next();
                if (literal == -1)
                    break;
                if (literal < 0)
                    return false;
                emitByte(char(literal));
                continue;
            }
            const int low = reader.next();
            const int high = low < 0 ? low : reader.next();
            if (low == -1 || high == -1)
                break;
            if (low < 0 || high < 0)
                return false;
            int matchPos = low | ((high & 0xF0) << 4);
            const int length = (high & 0x0F) + 3;
            for (int i = 0; i < length && written < expectedLength; ++i) {
                emitByte(window[matchPos]);
                matchPos = (matchPos + 1) & (kWindowSize - 1);
            }
        }
        if (output.size() >= 64 * 1024 && !flush())
            return false;
    }
    return flush();
}
