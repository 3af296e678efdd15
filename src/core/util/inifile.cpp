// Ini files line by line: the reader accepts what other programs write (blanks, quotes,
// comments, LF or CR LF); the writer changes only the line of the key it sets.
#include "util/inifile.h"
#include "util/cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace ini {
namespace {

bool isComment(const QString& trimmed)
{
    return trimmed.startsWith(u';') || trimmed.startsWith(u'#');
}

// The section name of a "[name]" line, or nothing.
std::optional<QString> sectionOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(u']');
    if (close < 0)
        return std::nullopt;
    return trimmed.mid(1, close - 1).trimmed();
}

// Key of a "key=value" line (trimmed), or nothing for other lines.
std::optional<QString> keyOf(const QString& line, qsizetype* equals = nullptr)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || isComment(trimmed) || trimmed.startsWith(u'['))
        return std::nullopt;
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    if (equals)
        *equals = eq;
    return line.left(eq).trimmed();
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QString decodeValue(const QString& raw)
{
    const QString value = raw.trimmed();
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

// Quotes a value that reading would otherwise change (outer blanks, enclosing quotes).
QString encodeValue(const QString& value)
{
    if (value.isEmpty())
        return value;
    const bool blanks = value.front().isSpace() || value.back().isSpace();
    const bool quoted =
        value.size() >= 2 && isQuote(value.front()) && value.back() == value.front();
    return (blanks || quoted) ? u'"' + value + u'"' : value;
}

// Index range [begin, end) of the lines below the first header of `section`; begin -1 if none.
std::pair<qsizetype, qsizetype> sectionRange(const QStringList& lines, const QString& section)
{
    qsizetype begin = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines.at(i));
        if (!name)
            continue;
        if (begin >= 0)
            return {begin, i};
        if (sameName(*name, section.trimmed()))
            begin = i + 1;
    }
    return {begin, lines.size()};
}

} // namespace

std::optional<QStringList> readLines(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > kMaxFileSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize)
        return std::nullopt;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError())
        text = fromCp1252(bytes);
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

std::optional<QString> findValue(const QStringList& lines, const QString& section,
                                 const QString& key)
{
    if (key.trimmed().isEmpty())
        return std::nullopt;
    const auto [begin, end] = sectionRange(lines, section);
    if (begin < 0)
        return std::nullopt;
    for (qsizetype i = begin; i < end; ++i) {
        qsizetype eq = -1;
        const auto name = keyOf(lines.at(i), &eq);
        if (name && sameName(*name, key.trimmed()))
            return decodeValue(lines.at(i).mid(eq + 1));
    }
    return std::nullopt;
}

void setValue(QStringList& lines, const QString& section, const QString& key, const QString& value)
{
    const auto [begin, end] = sectionRange(lines, section);
    if (begin < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines.append(u'[' + section + u']');
        lines.append(key + u'=' + encodeValue(value));
        return;
    }
    qsizetype lastFilled = begin - 1;
    for (qsizetype i = begin; i < end; ++i) {
        qsizetype eq = -1;
        const auto name = keyOf(lines.at(i), &eq);
        if (name && sameName(*name, key.trimmed())) {
            // Keep the key as spelled in the file.
            lines[i] = lines.at(i).left(eq) + u'=' + encodeValue(value);
            return;
        }
        if (!lines.at(i).trimmed().isEmpty())
            lastFilled = i;
    }
    lines.insert(lastFilled + 1, key + u'=' + encodeValue(value));
}

QByteArray serialize(const QStringList& lines)
{
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

QString invalidReason(const QString& section, const QString& key, const QString& value)
{
    auto hasBreak = [](const QString& text) {
        return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
    };
    if (section.trimmed().isEmpty() || section.contains(u']') || hasBreak(section) ||
        section != section.trimmed())
        return QStringLiteral("Ungültiger Abschnitt \"%1\"").arg(section);
    if (key.isEmpty() || key != key.trimmed() || key.contains(u'=') || key.startsWith(u'[') ||
        isComment(key) || hasBreak(key))
        return QStringLiteral("Ungültiger Schlüssel \"%1\"").arg(key);
    if (hasBreak(value))
        return QStringLiteral("Der Wert für \"%1\" enthält einen Zeilenumbruch").arg(key);
    return {};
}

QString readValue(const QString& path, const QString& section, const QString& key,
                  const QString& defaultValue)
{
    const auto lines = readLines(path);
    if (!lines)
        return defaultValue;
    return findValue(*lines, section, key).value_or(defaultValue);
}

} // namespace ini
