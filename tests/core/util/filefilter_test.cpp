// File-chooser filters: "Description|patterns" pairs as the desktop's name filters.
#include "util/filefilter.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(FileFilter, PairsBecomeNameFilters)
{
    // The description's own pattern list is mistyped; the pattern field counts.
    EXPECT_EQ(fileFilterNames(u"Alle (*.jpg;*gif)|*.jpg;*.gif|Bitmaps (*.bmp)|*.bmp"_s),
              (QStringList{u"Alle (*.jpg *.gif)"_s, u"Bitmaps (*.bmp)"_s}));
    EXPECT_EQ(fileFilterNames(u"*.htm|*.htm"_s), QStringList{u"*.htm (*.htm)"_s});
    EXPECT_EQ(fileFilterNames(u".jpg files|*.jpg|All Files|*.*"_s),
              (QStringList{u".jpg files (*.jpg)"_s, u"All Files (*.*)"_s}));
    EXPECT_TRUE(fileFilterNames(QString()).isEmpty());
    // A description without its pattern field is left out.
    EXPECT_EQ(fileFilterNames(u"Bilder|*.jpg|Rest"_s), QStringList{u"Bilder (*.jpg)"_s});
    // ... unless it is written in the desktop's form, with its patterns in brackets.
    EXPECT_EQ(fileFilterNames(u"Lumivista (*.lmv)"_s), QStringList{u"Lumivista (*.lmv)"_s});
    EXPECT_EQ(fileFilterNames(u"Bilder|*.jpg|Web (*.htm *.html)"_s),
              (QStringList{u"Bilder (*.jpg)"_s, u"Web (*.htm *.html)"_s}));

    const QList<FileFilter> filters = parseFileFilter(u"Bilder|*.jpg;*.png|Alle Dateien|*"_s);
    ASSERT_EQ(filters.size(), 2);
    EXPECT_EQ(filters[0].description, u"Bilder"_s);
    EXPECT_EQ(filters[0].patterns, (QStringList{u"*.jpg"_s, u"*.png"_s}));
    EXPECT_EQ(filters[1].nameFilter(), u"Alle Dateien (*)"_s);
}
