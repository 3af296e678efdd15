// Filters of the file choosers, written as the windows give them:
// "Description|*.a;*.b|Description|*.c". The choosers turn them into the desktop's form.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct FileFilter
{
    QString description;
    QStringList patterns;

    // "Alle (*.jpg *.gif)": the description with the patterns of the pattern field.
    QString nameFilter() const;
};

// Description and pattern fields in pairs; a description's own "(...)" is dropped, as it
// may be mistyped ("*gif") and the pattern field counts. An unpaired last field counts when
// it is in the desktop's form "Name (*.a *.b)", and is ignored otherwise.
QList<FileFilter> parseFileFilter(const QString& text);
// The name filters of a filter text, one per pair.
QStringList fileFilterNames(const QString& text);
