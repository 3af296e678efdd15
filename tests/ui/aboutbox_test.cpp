// The about box: name, running version and the vendor's links, whole and on the screen.
#include "ui/aboutbox.h"

#include "util/version.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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

TEST(TAboutBox, FitsTheScreenAndShowsEveryTextWhole)
{
    TAboutBox about;
    about.show();
    QCoreApplication::processEvents();
    const QRect screen = about.screen()->availableGeometry();
    EXPECT_LE(about.frameGeometry().width(), screen.width());
    EXPECT_LE(about.frameGeometry().height(), screen.height());
    for (const QLabel* label : about.findChildren<QLabel*>()) {
        EXPECT_GE(label->width(), label->sizeHint().width()) << qPrintable(label->text());
        EXPECT_GE(label->height(), label->sizeHint().height()) << qPrintable(label->text());
        EXPECT_TRUE(about.rect().contains(QRect(label->mapTo(&about, QPoint()), label->size())))
            << qPrintable(label->text());
    }
    const QPushButton* ok = about.okButton();
    EXPECT_TRUE(about.rect().contains(QRect(ok->mapTo(&about, QPoint()), ok->size())));
}
