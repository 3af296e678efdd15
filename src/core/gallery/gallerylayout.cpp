// The plain input of the page writers.
#include "gallery/gallerylayout.h"

#include <algorithm>

int GalleryLayout::maxPic() const
{
    return std::max(1, col) * std::max(1, row);
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
