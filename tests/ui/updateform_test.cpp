// The update window against a real HTTP server on 127.0.0.1: what it shows after a check,
// its width rule and the hidden download button.
#include "pythonserver.h"
#include "ui/updateform.h"
#include "updatelists.h"

#include "util/dialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class UpdateFormTest : public UpdateServerTest
{
protected:
    UpdateSource source(const QString& path = u"/update.txt"_s,
                        const QString& running = u"2.1.0.4"_s) const
    {
        return serverSource(path, running, 2000);
    }

    void publish(const QString& version, const QString& download, const QString& info)
    {
        m_server.publish(u"update.txt"_s, updateList(version, download, info));
    }

    static int infoRight(const TUpdateForm& form)
    {
        return form.infoLabel()->x() + form.infoLabel()->width() + 20;
    }
};

} // namespace

TEST_F(UpdateFormTest, BeforeTheFirstCheckOnlyTheButtonsShow)
{
    TUpdateForm form(nullptr, source());
    EXPECT_EQ(form.windowTitle(), u"Update - Lumivista"_s);
    EXPECT_EQ(form.checkButton()->text(), u"auf neue Version prüfen..."_s);
    EXPECT_EQ(form.downloadButton()->text(), u"neuste Version downloaden..."_s);
    EXPECT_EQ(form.homepageButton()->text(), u"Homepage..."_s);
    EXPECT_EQ(form.closeButton()->text(), u"Schliessen"_s);

    form.show();
    EXPECT_TRUE(form.checkButton()->isVisible());
    EXPECT_TRUE(form.homepageButton()->isVisible());
    EXPECT_TRUE(form.closeButton()->isVisible());
    EXPECT_FALSE(form.downloadButton()->isVisible());
    EXPECT_FALSE(form.newVersionPanel()->isVisible());
    // No info text: the window ends where the info area begins.
    EXPECT_EQ(form.width(), form.infoLabel()->x());
    EXPECT_TRUE(m_dialogs.entries().isEmpty());

    form.closeButton()->click();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(UpdateFormTest, ACheckShowsVersionInfoOnTwoLinesAndTheDownloadButton)
{
    publish(u"2.1.0.5 (final)"_s, u"https://x.example/setup"_s, u"Neu;Schneller"_s);
    TUpdateForm form(nullptr, source());
    form.show();
    form.checkButton()->click();

    EXPECT_EQ(m_dialogs.texts().last(), u"Neue Version gefunden"_s);
    EXPECT_TRUE(form.newVersionPanel()->isVisible());
    EXPECT_EQ(form.newVersionPanel()->text(), u"Gefundene Version: v 2.1.0.5 (final)"_s);
    EXPECT_TRUE(form.newVersionPanel()->font().bold());
    EXPECT_EQ(form.infoLabel()->text(), u"Neu\nSchneller"_s);
    EXPECT_TRUE(form.infoLabel()->wordWrap());
    EXPECT_EQ(form.width(), infoRight(form));
    EXPECT_TRUE(form.downloadButton()->isVisible());

    // Closing and showing again keeps the result.
    form.hide();
    form.show();
    EXPECT_EQ(form.width(), infoRight(form));
    EXPECT_EQ(form.infoLabel()->text(), u"Neu\nSchneller"_s);
}

TEST_F(UpdateFormTest, EmptyInfoNarrowsTheWindowAndEmptyDownloadHidesTheButton)
{
    publish(u"2.1.0.5"_s, u"https://x.example/"_s, u"Erst"_s);
    TUpdateForm form(nullptr, source());
    form.show();
    form.checkButton()->click();
    EXPECT_EQ(form.width(), infoRight(form));
    EXPECT_TRUE(form.downloadButton()->isVisible());

    publish(u"2.1.0.4"_s, QString(), QString());
    form.checkButton()->click();
    EXPECT_EQ(m_dialogs.texts().last(), u"Keine neuere Version gefunden"_s);
    EXPECT_EQ(form.width(), form.infoLabel()->x());
    EXPECT_FALSE(form.downloadButton()->isVisible());
    EXPECT_EQ(form.newVersionPanel()->text(), u"Gefundene Version: v 2.1.0.4"_s);
}

TEST_F(UpdateFormTest, AFailedOrDeclinedCheckChangesNothing)
{
    publish(u"3.0.0.0"_s, u"https://x.example/"_s, u"Info"_s);
    TUpdateForm form(nullptr, source());
    form.show();
    form.checkButton()->click();
    const int width = form.width();

    m_server.remove(u"update.txt"_s);
    m_dialogs.clear();
    form.checkButton()->click();
    ASSERT_EQ(m_dialogs.entries().size(), 2);
    EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Error);
    EXPECT_TRUE(m_dialogs.entries()[1].text.startsWith(u"Konnte keine Infos laden!"_s));
    EXPECT_EQ(form.infoLabel()->text(), u"Info"_s);
    EXPECT_EQ(form.newVersionPanel()->text(), u"Gefundene Version: v 3.0.0.0"_s);
    EXPECT_TRUE(form.downloadButton()->isVisible());
    EXPECT_EQ(form.width(), width);

    m_dialogs.clear();
    m_dialogs.queue(DialogResult::No);
    form.checkButton()->click();
    EXPECT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(form.infoLabel()->text(), u"Info"_s);
}

TEST_F(UpdateFormTest, ButtonsAreOffWhileTheListIsFetched)
{
    TUpdateForm form(nullptr, source(u"/hang"_s));
    form.show();
    bool enabledDuringFetch = true;
    int checked = 0;
    // Runs inside the fetch's own event loop, before its time-out.
    QTimer::singleShot(500, &form, [&] {
        enabledDuringFetch = form.checkButton()->isEnabled() || form.closeButton()->isEnabled();
        ++checked;
    });
    form.checkButton()->click();
    EXPECT_EQ(checked, 1);
    EXPECT_FALSE(enabledDuringFetch);
    EXPECT_TRUE(form.checkButton()->isEnabled());
    EXPECT_TRUE(form.closeButton()->isEnabled());
    EXPECT_EQ(m_dialogs.entries().last().type, DialogType::Error);
}

TEST_F(UpdateFormTest, ListTextsAreShownAsPlainText)
{
    publish(u"<b>9</b>"_s, u"file:///bin/sh"_s, u"<img src=x>"_s);
    TUpdateForm form(nullptr, source());
    form.show();
    form.checkButton()->click();
    EXPECT_EQ(form.infoLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(form.newVersionPanel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(form.infoLabel()->text(), u"<img src=x>"_s);

    // A download address that is no web address is refused, not opened.
    ASSERT_TRUE(form.downloadButton()->isVisible());
    m_dialogs.clear();
    form.downloadButton()->click();
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries()[0].type, DialogType::Error);
}
