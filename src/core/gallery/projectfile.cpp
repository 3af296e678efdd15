// Project file encoding and the safe read and write of ".lmv" files.
#include "gallery/projectfile.h"

#include "util/cp1252.h"
#include "util/error.h"
#include "util/fileops.h"

#include <QFile>
#include <QFileInfo>
#include <QStringConverter>
#include <QStringDecoder>

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF");

bool isValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString ignored = decoder.decode(bytes);
    return !decoder.hasError();
}

bool hasHighBytes(const QByteArray& bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

QString fileMessage(const QString& fileName, const QString& reason)
{
    return fileName + QStringLiteral(": ") + reason;
}

} // namespace

QByteArray encodeProjectText(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines) {
        text += line;
        text += QStringLiteral("\r\n");
    }
    bool lossless = false;
    QByteArray bytes = toCp1252(text, &lossless);
    // Windows-1252 bytes that happen to form valid UTF-8 ("Ã¤") would be read back as
    // UTF-8 and change the text; such a project is written as UTF-8 instead.
    if (lossless && !(hasHighBytes(bytes) && isValidUtf8(bytes)))
        return bytes;
    return kUtf8Bom + text.toUtf8();
}

QStringList decodeProjectText(const QByteArray& bytes)
{
    if (const auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding);
        return splitLines(decoder.decode(bytes));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return splitLines(text);
    return splitLines(fromCp1252(bytes));
}

bool readsAsProject(const QStringList& lines)
{
    bool firstText = true;
    bool project = false;
    for (const QString& line : lines) {
        if (line.contains(QChar(u'\0')))
            return false;
        if (line.startsWith(QLatin1String("[Images]"), Qt::CaseInsensitive))
            project = true;
        // A byte-order mark read as a character does not count as text.
        const QString text = line.trimmed().remove(QChar(0xFEFF));
        if (firstText && !text.isEmpty()) {
            firstText = false;
            if (text.compare(QLatin1String("[Param]"), Qt::CaseInsensitive) == 0)
                project = true;
        }
    }
    return project;
}

QStringList readProjectFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    // A folder, pipe or device is refused before opening: a pipe would block the read.
    if (info.isDir())
        throw LumiError(fileMessage(fileName, QStringLiteral("Ist ein Ordner")));
    if (info.exists() && !info.isFile())
        throw LumiError(fileMessage(fileName, QStringLiteral("Keine gewöhnliche Datei")));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw LumiError(fileMessage(fileName, file.errorString()));
    // Read at most one byte past the limit, so a huge file is refused without filling memory.
    const QByteArray bytes = file.read(kMaxProjectFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw LumiError(fileMessage(fileName, file.errorString()));
    if (bytes.size() > kMaxProjectFileBytes)
        throw LumiError(fileMessage(fileName, QStringLiteral("Datei zu gross (über 64 MB)")));
    QStringList lines = decodeProjectText(bytes);
    if (!readsAsProject(lines))
        throw NotAProjectError(fileName);
    return lines;
}

void writeProjectFile(const QString& fileName, const QStringList& lines)
{
    const QByteArray bytes = encodeProjectText(lines);
    QString reason;
    if (!replaceFileContents(fileName, bytes, &reason))
        throw LumiError(fileMessage(fileName, reason));
}
