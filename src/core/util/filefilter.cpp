// File-chooser filters: the "Description|patterns" text and the desktop's name filters.
#include "util/filefilter.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

QString FileFilter::nameFilter() const
{
    return description + u" ("_s + patterns.join(u' ') + u')';
}

QList<FileFilter> parseFileFilter(const QString& text)
{
    static const QRegularExpression kOwnPatterns(u"\\s*\\(([^)]*)\\)\\s*$"_s);
    QList<FileFilter> filters;
    const QStringList fields = text.split(u'|');
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        QString description = fields.at(i);
        description.remove(kOwnPatterns);
        filters.append({description, fields.at(i + 1).split(u';')});
    }
    // A last field without its pattern field, in the desktop's form "Name (*.a *.b)".
    if (fields.size() % 2 == 1) {
        const QString& last = fields.constLast();
        const QRegularExpressionMatch own = kOwnPatterns.match(last);
        const QStringList patterns =
            own.hasMatch() ? own.captured(1).split(u' ', Qt::SkipEmptyParts) : QStringList();
        if (!patterns.isEmpty())
            filters.append({last.left(own.capturedStart()), patterns});
    }
    return filters;
}

QStringList fileFilterNames(const QString& text)
{
    QStringList names;
    for (const FileFilter& filter : parseFileFilter(text))
        names.append(filter.nameFilter());
    return names;
}
