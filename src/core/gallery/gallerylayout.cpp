// The plain input of the page writers.
#include "gallery/gallerylayout.h"

#include <algorithm>

int GalleryLayout::maxPic() const
{
    return std::max(1, col) * std::max(1, row);
}

QString indexDatFor(const QString& exportPath, const QString& indexSetting, bool cdImage)
{
    // Only the file name counts: the index pages lie in the target folder beside the picture
    // pages that link to them, and "../" must not lead a page out of it.
    const QString name = fileNameOf(indexSetting);
    if (cdImage || name.isEmpty())
        return exportPath + QStringLiteral("index.htm");
    if (name.contains(QChar(u'.')))
        return exportPath + name;
    return exportPath + name + QStringLiteral(".htm");
}

QString pictureSrcset(int i, bool large, const GalleryLayout& layout)
{
    if (i < 0 || i >= layout.doubleSizes.size())
        return {};
    const DoubleSizes& sizes = layout.doubleSizes.at(i);
    if (!(large ? sizes.hasLarge2x() : sizes.hasSmall2x()))
        return {};
    return srcsetValue(
        GetPicName(large ? QStringLiteral("gr") : QStringLiteral("kr"), i, layout.names));
}
