// The plain input of the page writers.
#include "gallery/gallerylayout.h"

#include <algorithm>

int GalleryLayout::maxPic() const
{
    return std::max(1, col) * std::max(1, row);
}

QString indexDatFor(const QString& exportPath, const QString& indexSetting, bool cdImage)
{
    if (cdImage)
        return exportPath + QStringLiteral("index.htm");
    const QString name = fileNameOf(indexSetting);
    if (name.contains(QChar(u'.')))
        return exportPath + indexSetting;
    return exportPath + indexSetting + QStringLiteral(".htm");
}
