// Font stacks: a small table of well-known faces, else what the name and the installed
// fonts say about the face.
#include "gallery/fontstacks.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QStringList>

#include <array>

namespace {

struct KnownFace
{
    const char16_t* name;
    const char16_t* stack; // the faces and the generic family that follow it
};

// Faces common in projects and the classic faces of the same kind visitors often have.
constexpr std::array kKnownFaces = {
    KnownFace{u"tahoma", u"Verdana, sans-serif"},
    KnownFace{u"verdana", u"Tahoma, sans-serif"},
    KnownFace{u"arial", u"Helvetica, sans-serif"},
    KnownFace{u"helvetica", u"Arial, sans-serif"},
    KnownFace{u"ms sans serif", u"Tahoma, Verdana, sans-serif"},
    KnownFace{u"segoe ui", u"Tahoma, sans-serif"},
    KnownFace{u"trebuchet ms", u"Verdana, sans-serif"},
    KnownFace{u"times new roman", u"Times, serif"},
    KnownFace{u"times", u"\"Times New Roman\", serif"},
    KnownFace{u"ms serif", u"\"Times New Roman\", serif"},
    KnownFace{u"georgia", u"\"Times New Roman\", serif"},
    KnownFace{u"garamond", u"Georgia, serif"},
    KnownFace{u"book antiqua", u"Palatino, serif"},
    KnownFace{u"palatino linotype", u"Palatino, serif"},
    KnownFace{u"courier new", u"Courier, monospace"},
    KnownFace{u"courier", u"\"Courier New\", monospace"},
    KnownFace{u"lucida console", u"\"Courier New\", monospace"},
    KnownFace{u"consolas", u"\"Courier New\", monospace"},
    KnownFace{u"comic sans ms", u"cursive"},
};

QString quotedFace(const QString& face)
{
    static const QStringList generic = {QStringLiteral("serif"),     QStringLiteral("sans-serif"),
                                        QStringLiteral("monospace"), QStringLiteral("cursive"),
                                        QStringLiteral("fantasy"),   QStringLiteral("system-ui")};
    bool plain = !face.isEmpty() && !face.front().isDigit() && !generic.contains(face.toLower());
    for (const QChar c : face)
        plain = plain && (c.isLetterOrNumber() || c == u'-' || c == u'_');
    if (plain)
        return face;
    QString quoted = face;
    quoted.replace(QChar(u'\\'), QStringLiteral("\\\\"));
    quoted.replace(QChar(u'"'), QStringLiteral("\\\""));
    return QChar(u'"') + quoted + QChar(u'"');
}

// The generic family of a face the table does not know: its name first, then what the
// installed fonts (fontconfig, through Qt) say; sans-serif, which the Layout page previews,
// when nothing tells.
QString genericFamily(const QString& face)
{
    const QString lower = face.toLower();
    for (const char* mono : {"mono", "courier", "console", "code", "typewriter", "fixed"})
        if (lower.contains(QLatin1String(mono)))
            return QStringLiteral("monospace");
    if (lower.contains(QLatin1String("sans")))
        return QStringLiteral("sans-serif");
    if (lower.contains(QLatin1String("serif")) || lower.contains(QLatin1String("roman")))
        return QStringLiteral("serif");
    // The font database needs the GUI application (the desktop program and the command line
    // have one); without it the name alone decides.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
        QFontDatabase::families().contains(face, Qt::CaseInsensitive) &&
        QFontDatabase::isFixedPitch(face))
        return QStringLiteral("monospace");
    return QStringLiteral("sans-serif");
}

} // namespace

QString fontStack(const QString& face)
{
    const QString name = face.trimmed();
    if (name.isEmpty())
        return QStringLiteral("sans-serif");
    for (const KnownFace& known : kKnownFaces)
        if (name.compare(QString::fromUtf16(known.name), Qt::CaseInsensitive) == 0)
            return quotedFace(name) + QStringLiteral(", ") + QString::fromUtf16(known.stack);
    return quotedFace(name) + QStringLiteral(", ") + genericFamily(name);
}
