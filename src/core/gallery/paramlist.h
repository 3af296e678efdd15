// The settings list `lParam`: ordered text lines "key=value". A key is looked up
// case-insensitively and without trimming; the first line with that key wins, whatever
// section it stands in.
#pragma once

#include <QString>
#include <QStringList>

class ParamList
{
public:
    ParamList() = default;
    explicit ParamList(const QStringList& lines) : m_lines(lines) {}

    // The text before the first "=" of `line`; a line without "=" has no key (null text).
    static QString keyOfLine(const QString& line);

    // Index of the first line whose key equals `key` (any case), or -1.
    qsizetype indexOfKey(const QString& key) const;
    // The text after the first "=" of that line; empty when the key is absent.
    QString value(const QString& key) const;
    bool contains(const QString& key) const { return indexOfKey(key) >= 0; }
    // Replaces the value of the first line with `key`, or appends "key=value". An empty
    // value removes that line instead, so empty settings never appear.
    void setValue(const QString& key, const QString& value);

    // The entries of the picture section: from a line beginning with "[Images]" (any
    // case) up to the next line beginning with "["; blank lines are skipped, the others
    // are taken untrimmed.
    QStringList pictureEntries() const;

    const QStringList& lines() const { return m_lines; }
    QStringList& lines() { return m_lines; }
    void clear() { m_lines.clear(); }
    void append(const QString& line) { m_lines.append(line); }
    qsizetype size() const { return m_lines.size(); }

    bool operator==(const ParamList&) const = default;

private:
    QStringList m_lines;
};
