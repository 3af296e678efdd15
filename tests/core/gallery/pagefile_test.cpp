// Which files are pages: the upload record leaves their generator comment line out.
#include "gallery/pagefile.h"

#include <gtest/gtest.h>

TEST(PageNames, HtmAndHtmlInAnyCaseArePages)
{
    for (const char* name : {"index.htm", "image1/p 1.HTML", "a.Htm"})
        EXPECT_TRUE(isPageName(QString::fromLatin1(name))) << name;
    for (const char* name : {"font.css", "image1/tn_a.jpg", "htm", "index.htm.bak", "a.xhtml"})
        EXPECT_FALSE(isPageName(QString::fromLatin1(name))) << name;
}
