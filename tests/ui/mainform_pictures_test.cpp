// The picture list page: loading, deleting, sorting, moving, captions and drops.
#include "mainform_fixture.h"

#include "ui/mainform_widgets.h"

#include "rawnamefile.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

using namespace Qt::StringLiterals;

class PictureListTest : public MainFormTest
{
protected:
    PictureListView* list() { return control<PictureListView>("Files"); }
    QString count() { return control<QLabel>("lCount")->text(); }
    void select(std::initializer_list<int> rows)
    {
        QItemSelectionModel* selection = list()->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(list()->model()->index(row, 0), QItemSelectionModel::Select);
        if (rows.size() > 0)
            selection->setCurrentIndex(list()->model()->index(*rows.begin(), 0),
                                       QItemSelectionModel::NoUpdate);
    }
    void dropOnList(QMimeData* data, QPoint pos)
    {
        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &enter);
        QDropEvent drop(pos, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &drop);
    }
};

TEST_F(PictureListTest, VerzeichnisLadenAppendsJpegThenGifThenBmpAndCounts)
{
    const QString folder = path(u"fotos"_s);
    makePicture(u"fotos/b.jpg"_s);
    makePicture(u"fotos/a.jpg"_s);
    makePicture(u"fotos/c.jpg"_s);
    touch(path(u"fotos/a.gif"_s));
    touch(path(u"fotos/z.gif"_s));
    touch(path(u"fotos/note.txt"_s));
    touch(path(u"fotos/sub/inner.jpg"_s));
    form().setFiles({u"/old/first.jpg"_s});
    m_choosers.folders = {folder};

    form().SpeedButton4Click();

    const QString f = folder + u'/';
    EXPECT_EQ(form().files(), (QStringList{u"/old/first.jpg"_s, f + u"a.jpg"_s, f + u"b.jpg"_s,
                                           f + u"c.jpg"_s, f + u"a.gif"_s, f + u"z.gif"_s}));
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Eingefügt: 5"_s});
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Information);
    EXPECT_EQ(count(), u"6"_s);
}

TEST_F(PictureListTest, VerzeichnisLadenNamesFilesItCannotAdd)
{
    const QString folder = path(u"fotos"_s);
    makePicture(u"fotos/a.jpg"_s);
    const RawNameFile undecodable(folder, "b\xFF.jpg");
    ASSERT_TRUE(undecodable.created());
    m_choosers.folders = {folder};
    form().SpeedButton4Click();
    EXPECT_EQ(form().files(), QStringList{folder + u"/a.jpg"_s});
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{u"Eingefügt: 1\r\nAusgelassen, weil der Name in der Zeichenkodierung "
                          u"des Systems ungültig ist: 1\r\n"_s +
                          folder + u"/b\\xFF.jpg"_s});
}

TEST_F(PictureListTest, VerzeichnisLadenCancelledOrEmptyFolder)
{
    form().SpeedButton4Click(); // the folder dialog cancelled
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
    QDir().mkpath(path(u"leer"_s));
    m_choosers.folders = {path(u"leer"_s)};
    form().SpeedButton4Click();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Eingefügt: 0"_s});
    EXPECT_EQ(count(), u"0"_s);
}

TEST_F(PictureListTest, BilderLadenAppendsInDialogOrderWithoutMessage)
{
    form().setFiles({u"/x/1.jpg"_s});
    m_choosers.fileLists = {{u"/y/b.jpg"_s, u"/y/a.jpg"_s}};
    form().SpeedButton5Click();
    EXPECT_EQ(form().files(), (QStringList{u"/x/1.jpg"_s, u"/y/b.jpg"_s, u"/y/a.jpg"_s}));
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
    EXPECT_EQ(count(), u"3"_s);
}

TEST_F(PictureListTest, BilderLoeschenNeedsSelectionAndAsks)
{
    form().setFiles({u"/a.jpg"_s, u"/b.jpg"_s, u"/c.jpg"_s, u"/d.jpg"_s});
    form().SpeedButton6Click();
    ASSERT_EQ(m_dialogs.texts(), QStringList{u"Keine Bilder markiert!"_s});
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Error);

    select({0, 2});
    m_dialogs.clear();
    m_dialogs.queue(DialogResult::No);
    form().SpeedButton6Click();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Markierte Bilder löschen?"_s});
    EXPECT_EQ(form().files().size(), 4);

    m_dialogs.queue(DialogResult::Yes);
    form().SpeedButton6Click();
    EXPECT_EQ(form().files(), (QStringList{u"/b.jpg"_s, u"/d.jpg"_s}));
    EXPECT_EQ(count(), u"2"_s);
}

TEST_F(PictureListTest, AlleLoeschenAsksFirst)
{
    form().setFiles({u"/a.jpg"_s, u"/b.jpg"_s});
    m_dialogs.queue(DialogResult::No);
    form().SpeedButton3Click();
    EXPECT_EQ(form().files().size(), 2);
    m_dialogs.queue(DialogResult::Yes);
    form().SpeedButton3Click();
    EXPECT_TRUE(form().files().isEmpty());
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"Alle Bilder löschen?"_s, u"Alle Bilder löschen?"_s}));
    EXPECT_EQ(count(), u"0"_s);
}

TEST_F(PictureListTest, DefLinksLoeschenRemovesMissingFilesSilently)
{
    const QString a = makePicture(u"a.jpg"_s);
    const QString b = makePicture(u"b.jpg"_s);
    form().setFiles({a + u"|Eins"_s, b});
    form().SpeedButton1Click();
    EXPECT_EQ(form().files(), (QStringList{a + u"|Eins"_s, b}));

    form().setFiles({path(u"gone1.jpg"_s), a, path(u"gone2.jpg|Titel"_s), b, u"|nur Titel"_s});
    form().SpeedButton1Click();
    EXPECT_EQ(form().files(), (QStringList{a, b}));
    EXPECT_EQ(count(), u"2"_s);
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
}

TEST_F(PictureListTest, SortIsCaseInsensitiveOverTheWholeEntry)
{
    form().setFiles({u"/f/b.jpg"_s, u"/f/A.jpg|z"_s, u"/f/a.jpg|Y"_s, u"/F/c.jpg"_s});
    form().btSortClick();
    EXPECT_EQ(form().files(),
              (QStringList{u"/f/a.jpg|Y"_s, u"/f/A.jpg|z"_s, u"/f/b.jpg"_s, u"/F/c.jpg"_s}));
    m_choosers.fileLists = {{u"/a/0.jpg"_s}};
    form().SpeedButton5Click(); // later additions are appended unsorted
    EXPECT_EQ(form().files().last(), u"/a/0.jpg"_s);
}

TEST_F(PictureListTest, AufAndAbAtTheEndsDoNothing)
{
    const QStringList start{u"/a.jpg"_s, u"/b.jpg"_s, u"/c.jpg"_s};
    form().setFiles(start);
    form().btUpClick(); // no selection
    form().btDownClick();
    EXPECT_EQ(form().files(), start);

    select({0});
    form().btUpClick();
    EXPECT_EQ(form().files(), start);
    select({2});
    form().btDownClick();
    EXPECT_EQ(form().files(), start);

    select({1});
    form().btUpClick();
    EXPECT_EQ(form().files(), (QStringList{u"/b.jpg"_s, u"/a.jpg"_s, u"/c.jpg"_s}));
    // The moved entry stays selected, so a second press moves it on.
    form().btDownClick();
    form().btDownClick();
    EXPECT_EQ(form().files(), (QStringList{u"/a.jpg"_s, u"/c.jpg"_s, u"/b.jpg"_s}));
}

TEST_F(PictureListTest, OkStoresTheCaptionAlsoWhenEmpty)
{
    form().setFiles({u"/f/a.jpg|Alt"_s, u"/f/b.jpg"_s});
    auto* caption = control<QLineEdit>("eBez");
    caption->setText(u"Neu"_s);
    form().Button2Click(); // nothing selected
    EXPECT_EQ(form().files().first(), u"/f/a.jpg|Alt"_s);

    select({0});
    caption->setText(QString());
    form().Button2Click();
    EXPECT_EQ(form().files().first(), u"/f/a.jpg|"_s);

    select({1});
    caption->setText(u"Am Meer"_s);
    form().Button2Click();
    EXPECT_EQ(form().files().at(1), u"/f/b.jpg|Am Meer"_s);

    // Return in the caption field is "Ok".
    caption->setText(u"Mit Return"_s);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(caption, &enter);
    EXPECT_EQ(form().files().at(1), u"/f/b.jpg|Mit Return"_s);
}

TEST_F(PictureListTest, SelectingShowsCaptionAndPreview)
{
    const QString a = makePicture(u"Strand.jpg"_s, 80, 40);
    form().setFiles({a, a + u"|Am Meer"_s, a + u"|"_s});
    auto* caption = control<QLineEdit>("eBez");
    auto* useName = control<QCheckBox>("ePicDatBez");

    select({1});
    EXPECT_EQ(caption->text(), u"Am Meer"_s);
    ASSERT_FALSE(control<QLabel>("Bild")->pixmap().isNull());
    const QSize shown = control<QLabel>("Bild")->pixmap().size();
    EXPECT_EQ(shown.width(), 2 * shown.height()); // proportional

    select({0});
    EXPECT_EQ(caption->text(), QString());
    useName->setChecked(true);
    select({2});
    EXPECT_EQ(caption->text(), u"Strand"_s);
    select({0});
    EXPECT_EQ(caption->text(), u"Strand"_s);

    // A new project shows no picture of the old one.
    m_dialogs.queue(DialogResult::No);  // "Die Daten noch sichern?"
    m_dialogs.queue(DialogResult::Yes); // "Neues Projekt?"
    form().mnNeuClick();
    EXPECT_TRUE(form().files().isEmpty());
    EXPECT_TRUE(control<QLabel>("Bild")->pixmap().isNull());
    EXPECT_EQ(caption->text(), QString());
}

TEST_F(PictureListTest, UnreadablePictureKeepsThePreview)
{
    const QString good = makePicture(u"gut.png"_s, 50, 50);
    const QString bad = path(u"kaputt.jpg"_s);
    touch(bad);
    form().setFiles({good, bad});
    select({0});
    const qint64 before = control<QLabel>("Bild")->pixmap().cacheKey();
    select({1});
    EXPECT_EQ(control<QLabel>("Bild")->pixmap().cacheKey(), before);
}

TEST_F(PictureListTest, DragMovesTheFocusedEntry)
{
    const QStringList start{u"/0.jpg"_s, u"/1.jpg"_s, u"/2.jpg"_s, u"/3.jpg"_s};
    form().setFiles(start);
    select({3});
    form().FilesDragDrop(1); // before entry 1
    EXPECT_EQ(form().files(), (QStringList{u"/0.jpg"_s, u"/3.jpg"_s, u"/1.jpg"_s, u"/2.jpg"_s}));
    EXPECT_EQ(list()->currentIndex().row(), 1);

    form().FilesDragDrop(1); // on itself
    EXPECT_EQ(form().files(), (QStringList{u"/0.jpg"_s, u"/3.jpg"_s, u"/1.jpg"_s, u"/2.jpg"_s}));

    select({0});
    form().FilesDragDrop(-1); // below the last entry
    EXPECT_EQ(form().files(), (QStringList{u"/3.jpg"_s, u"/1.jpg"_s, u"/2.jpg"_s, u"/0.jpg"_s}));
}

TEST_F(PictureListTest, DropEventsOnTheList)
{
    form().resize(900, 650);
    form().setFiles({u"/0.jpg"_s, u"/1.jpg"_s, u"/2.jpg"_s});
    select({2});
    const QRect first = list()->visualRect(list()->model()->index(0, 0));

    // A drag from this list: the entry with the focus goes before the entry under the drop.
    auto* own = new QMimeData;
    own->setData(PictureListView::internalMimeType(),
                 QByteArray::number(reinterpret_cast<quintptr>(list())));
    dropOnList(own, first.center());
    EXPECT_EQ(form().files(), (QStringList{u"/2.jpg"_s, u"/0.jpg"_s, u"/1.jpg"_s}));
    delete own;

    // A drag from another picture list (another window) is refused.
    auto* foreign = new QMimeData;
    foreign->setData(PictureListView::internalMimeType(), QByteArray("12345"));
    dropOnList(foreign, first.center());
    EXPECT_EQ(form().files().size(), 3);
    delete foreign;

    // Text from another control is refused.
    auto* text = new QMimeData;
    text->setText(u"/etc/passwd"_s);
    dropOnList(text, first.center());
    EXPECT_EQ(form().files().size(), 3);
    delete text;
}

TEST_F(PictureListTest, DesktopDropAppendsPicturesAndFolders)
{
    const QString single = makePicture(u"einzeln.png"_s);
    makePicture(u"ordner/b.jpg"_s);
    touch(path(u"ordner/a.gif"_s));
    touch(path(u"ordner/liesmich.txt"_s));
    const QString text = path(u"notiz.txt"_s);
    touch(text);
    form().setFiles({u"/0.jpg"_s});

    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(single), QUrl::fromLocalFile(text),
                   QUrl::fromLocalFile(path(u"ordner"_s)), QUrl(u"https://example.org/x.jpg"_s)});
    dropOnList(data, QPoint(5, 5));
    delete data;

    EXPECT_EQ(form().files(),
              (QStringList{u"/0.jpg"_s, single, path(u"ordner/b.jpg"_s), path(u"ordner/a.gif"_s)}));
    EXPECT_EQ(control<QLabel>("lCount")->text(), u"4"_s);
    EXPECT_TRUE(m_dialogs.texts().isEmpty());
}
