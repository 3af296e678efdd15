// Writing the gallery's text files atomically in the 8-bit code page.
#include "gallery/pagefile.h"

#include "util/cp1252.h"
#include "util/error.h"

#include "util/fileops.h"

#include <QFileInfo>

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QString reason;
    // A link at the name is replaced, never written through: it could lead out of the gallery.
    if (!replaceFileContents(path, bytes, &reason, LinkAtName::Replace))
        throw LumiError(
            QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2").arg(path, reason));
}

void writePageFile(const QString& path, const QString& text, bool utf8)
{
    writeFileAtomically(path, utf8 ? text.toUtf8() : toCp1252Html(text));
}

void writeTextFile(const QString& path, const QString& text, bool utf8)
{
    writeFileAtomically(path, utf8 ? text.toUtf8() : toCp1252(text));
}

bool isPageName(const QString& name)
{
    const QString suffix = QFileInfo(name).suffix();
    return suffix.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
}
