// Key lookup and editing of the settings list.
#include "gallery/paramlist.h"

QString ParamList::keyOfLine(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.left(eq);
}

qsizetype ParamList::indexOfKey(const QString& key) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QString& line = m_lines.at(i);
        // Compare the prefix in place: a 10 MB line must not be copied per lookup.
        if (line.size() > key.size() && line.at(key.size()) == u'=' &&
            QStringView(line).left(key.size()).compare(key, Qt::CaseInsensitive) == 0 &&
            !QStringView(line).left(key.size()).contains(u'='))
            return i;
    }
    return -1;
}

QString ParamList::value(const QString& key) const
{
    const qsizetype i = indexOfKey(key);
    return i < 0 ? QString() : m_lines.at(i).mid(key.size() + 1);
}

void ParamList::setValue(const QString& key, const QString& value)
{
    const qsizetype i = indexOfKey(key);
    if (value.isEmpty()) {
        if (i >= 0)
            m_lines.removeAt(i);
        return;
    }
    const QString line = key + u'=' + value;
    if (i >= 0)
        m_lines[i] = line;
    else
        m_lines.append(line);
}

QStringList ParamList::pictureEntries() const
{
    QStringList entries;
    bool inSection = false;
    for (const QString& line : m_lines) {
        if (line.startsWith(QLatin1String("[Images]"), Qt::CaseInsensitive)) {
            inSection = true;
        } else if (line.startsWith(u'[')) {
            inSection = false;
        } else if (inSection && !line.trimmed().isEmpty()) {
            entries.append(line);
        }
    }
    return entries;
}
