// Writing the gallery's text files atomically in the 8-bit code page.
#include "gallery/pagefile.h"

#include "util/cp1252.h"
#include "util/error.h"

#include <QSaveFile>

void writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw LumiError(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                            .arg(path, file.errorString()));
    // flush() before commit(): commit() misses a failed flush of buffered bytes (a full
    // disk) and would put an empty or cut file under the final name.
    if (file.write(bytes) != bytes.size() || !file.flush() || !file.commit())
        throw LumiError(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2")
                            .arg(path, file.errorString()));
}

void writePageFile(const QString& path, const QString& text)
{
    writeFileAtomically(path, toCp1252Html(text));
}

void writeTextFile(const QString& path, const QString& text)
{
    writeFileAtomically(path, toCp1252(text));
}
