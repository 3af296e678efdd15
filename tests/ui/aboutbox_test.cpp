// The about box: name, running version and the vendor's links.
#include "ui/aboutbox.h"

#include "util/version.h"

#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(TAboutBox, ShowsNameVersionAndLinks)
{
    TAboutBox box;
    EXPECT_TRUE(box.isModal());
    EXPECT_EQ(box.nameLabel()->text(), u"Lumivista"_s);
    EXPECT_EQ(box.versionLabel()->text(), u"Version "_s + programVersion());
    EXPECT_FALSE(programVersion().isEmpty());
    const QString links = box.linksLabel()->text();
    EXPECT_TRUE(links.contains(homePageUrl().toHtmlEscaped()));
    EXPECT_TRUE(links.contains(supportUrl().toHtmlEscaped()));
    EXPECT_TRUE(links.contains(shopUrl().toHtmlEscaped()));
    EXPECT_FALSE(box.linksLabel()->openExternalLinks());

    box.show();
    EXPECT_TRUE(box.isVisible());
    box.okButton()->click();
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
}

TEST(TAboutBox, LargeEnoughForItsTextsAndTitle)
{
    TAboutBox about;
    about.show();
    for (const QLabel* label : about.findChildren<QLabel*>())
        EXPECT_GE(label->width(), label->sizeHint().width()) << qPrintable(label->text());
    // The title bar shows its caption beside the window manager's buttons.
    const int titleBar = about.fontMetrics().horizontalAdvance(about.windowTitle()) + 120;
    EXPECT_GE(about.width(), titleBar);
}
