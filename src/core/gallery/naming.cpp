// Picture naming: output files, link addresses and captions from a picture entry.
#include "gallery/naming.h"

namespace {

bool isWindows(PathStyle style)
{
    return style == PathStyle::Windows;
}

QChar separatorOf(PathStyle style)
{
    return isWindows(style) ? QChar(u'\\') : QChar(u'/');
}

// Position of the last folder separator, also "/" in Windows paths, which accept both.
qsizetype lastSeparator(const QString& path, PathStyle style)
{
    qsizetype pos = path.lastIndexOf(separatorOf(style));
    if (isWindows(style)) {
        pos = std::max(pos, path.lastIndexOf(QChar(u'/')));
        pos = std::max(pos, path.lastIndexOf(QChar(u':')));
    }
    return pos;
}

QString baseNameWithoutExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QChar(u'.'));
    return dot < 0 ? fileName : fileName.left(dot);
}

// The drive of a Windows path: "C:" or "\\server\share"; empty for a relative path.
QString windowsDrive(const QString& path)
{
    if (path.size() >= 2 && path.at(1) == QChar(u':'))
        return path.left(2).toUpper();
    if (path.startsWith(QStringLiteral("\\\\"))) {
        const QStringList parts = path.mid(2).split(QChar(u'\\'));
        if (parts.size() >= 2)
            return (QStringLiteral("\\\\") + parts.at(0) + QChar(u'\\') + parts.at(1)).toUpper();
    }
    return {};
}

QString fileKindPath(QChar letter, int index, const QString& entry, const GalleryNames& names)
{
    QString base = fileNameOf(entryPath(entry), names.style);
    base.replace(QChar(u' '), QChar(u'_'));
    if (names.newNum)
        base = QStringLiteral("img%1.jpg").arg(index + 1, 4, 10, QChar(u'0'));
    // The extension of the base name is replaced before the prefix is put in front, so a
    // prefix with a dot ("v1.") cannot swallow an extension-less name.
    if (letter == u'k')
        return names.tnPath + names.tnPraefix + withExtension(base, QStringLiteral(".jpg"));
    if (letter == u'g')
        return names.bildPath + names.picPraefix + withExtension(base, QStringLiteral(".jpg"));
    return names.exportPath + withExtension(base, QStringLiteral(".htm"));
}

} // namespace

QString entryPath(const QString& entry)
{
    const qsizetype bar = entry.indexOf(QChar(u'|'));
    return bar < 0 ? entry : entry.left(bar);
}

QString entryCaption(const QString& entry)
{
    return entry.section(QChar(u'|'), 1, 1);
}

QString fileNameOf(const QString& path, PathStyle style)
{
    return path.mid(lastSeparator(path, style) + 1);
}

QString withExtension(const QString& name, const QString& extension)
{
    const qsizetype dot = name.lastIndexOf(QChar(u'.'));
    const qsizetype sep = std::max(name.lastIndexOf(QChar(u'/')), name.lastIndexOf(QChar(u'\\')));
    if (dot < 0 || dot < sep)
        return name + extension;
    return name.left(dot) + extension;
}

QString relativeLinkPath(const QString& path, const QString& folder, PathStyle style)
{
    const bool windows = isWindows(style);
    const QChar separator = separatorOf(style);
    const Qt::CaseSensitivity cs = windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (windows && windowsDrive(path).compare(windowsDrive(folder), Qt::CaseInsensitive) != 0)
        return QString(path).replace(QChar(u'\\'), QChar(u'/'));

    QString p = path;
    QString f = folder;
    if (windows) {
        p.replace(QChar(u'/'), QChar(u'\\'));
        f.replace(QChar(u'/'), QChar(u'\\'));
    }
    const QStringList pathParts = p.split(separator, Qt::SkipEmptyParts);
    const QStringList folderParts = f.split(separator, Qt::SkipEmptyParts);
    qsizetype common = 0;
    // The last part of the path is the file itself and never matches a folder.
    while (common < folderParts.size() && common + 1 < pathParts.size() &&
           pathParts.at(common).compare(folderParts.at(common), cs) == 0)
        ++common;
    QStringList result;
    for (qsizetype i = common; i < folderParts.size(); ++i)
        result.append(QStringLiteral(".."));
    for (qsizetype i = common; i < pathParts.size(); ++i)
        result.append(pathParts.at(i));
    return result.join(QChar(u'/'));
}

QString linkAddress(const QString& relativePath, PathStyle style)
{
    QString out;
    out.reserve(relativePath.size());
    for (const QChar c : relativePath) {
        const char16_t u = c.unicode();
        const bool encode = u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == u' ' ||
                            u == u'"' || u == u'#' || u == u'%' || u == u'?' ||
                            (u == u'\\' && !isWindows(style));
        if (!encode) {
            out.append(c);
            continue;
        }
        for (const char byte : QString(c).toUtf8())
            out.append(QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QChar(u'0')).toUpper());
    }
    return out;
}

QString GetPicName(const QString& kind, int index, const GalleryNames& names)
{
    if (kind == QStringLiteral("no"))
        return {};
    if (index == -2)
        index = names.selected;
    if (index < 0 || index >= names.files.size())
        return {};
    const QString entry = names.files.at(index);
    const QString lower = kind.toLower();
    const QChar first = lower.size() > 0 ? lower.at(0) : QChar(u' ');
    const QChar second = lower.size() > 1 ? lower.at(1) : QChar(u' ');

    if (first == u'b') {
        QString caption = entryCaption(entry);
        if (caption.isEmpty() && names.picDatBez)
            caption = baseNameWithoutExtension(fileNameOf(entryPath(entry), names.style));
        if (second != u'r')
            return caption;
        return QStringLiteral("<br>") + (caption.isEmpty() ? QStringLiteral("&nbsp;") : caption);
    }
    if (first != u'k' && first != u'g' && first != u'h')
        return entryPath(entry);

    const QString path = fileKindPath(first, index, entry, names);
    if (second != u'r')
        return path;
    return linkAddress(relativeLinkPath(path, names.exportPath, names.style), names.style);
}
