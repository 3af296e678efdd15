// The generate button: the same GalleryRun as the command line, driven from the window,
// with its progress bar, caption, busy cursor and the cancel question.
#include "mainform_fixture.h"

#include <QApplication>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>

#include "testsupport.h"

using namespace Qt::StringLiterals;

namespace {

const QString kFinalQuestion = u"Lumivista erstellt!\r\n\r\nIn Browser anzeigen?"_s;

} // namespace

class GenerateTest : public MainFormTest
{
protected:
    // `count` pictures in the list and an existing target folder.
    QString prepare(int count)
    {
        QStringList entries;
        for (int i = 0; i < count; ++i)
            entries.append(makePicture(u"src/foto%1.png"_s.arg(i), 64 + i, 48,
                                       QColor(20 * i, 100, 200 - 10 * i)) +
                           (i == 1 ? u"|Zweites"_s : QString()));
        form().setFiles(entries);
        const QString target = path(u"web"_s);
        QDir().mkpath(target);
        control<QLineEdit>("edZiel")->setText(target);
        return target;
    }
    QPushButton* button() { return control<QPushButton>("btGen"); }
    QProgressBar* progress() { return control<QProgressBar>("proz"); }
};

TEST_F(GenerateTest, MissingTargetOrPictures)
{
    form().btGenClick();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Kein Ziel angegeben!"_s});
    control<QLineEdit>("edZiel")->setText(path(u"web"_s));
    m_dialogs.clear();
    form().btGenClick();
    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Keine Fotos gewählt!"_s});
    EXPECT_EQ(m_dialogs.entries().first().type, DialogType::Error);
    EXPECT_EQ(button()->text(), u"Galerie &erstellen"_s);
}

TEST_F(GenerateTest, AFullRunWritesTheGalleryAndAsksToShowIt)
{
    const QString target = prepare(3);
    QStringList captions;
    QList<int> values;
    QObject::connect(progress(), &QProgressBar::valueChanged, [&](int value) {
        values.append(value);
        captions.append(button()->text());
    });
    form().btGenClick();

    EXPECT_EQ(m_dialogs.texts(), QStringList{kFinalQuestion});
    const QStringList written = filesBelow(target);
    EXPECT_TRUE(written.contains(u"index.htm"_s)) << qPrintable(written.join(u' '));
    EXPECT_TRUE(written.contains(u"font.css"_s));
    EXPECT_EQ(written.filter(QRegularExpression(u"\\.jpg$"_s)).size(), 6);
    ASSERT_FALSE(values.isEmpty());
    EXPECT_TRUE(values.contains(33));
    EXPECT_TRUE(values.contains(100));
    EXPECT_TRUE(captions.contains(u"Abbrechen"_s));
    EXPECT_EQ(progress()->value(), 0);
    EXPECT_EQ(button()->text(), u"Galerie &erstellen"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(form().isGenerating());
}

// "In Browser anzeigen? Ja" where xdg-open finds no browser: the window says so, with the page.
TEST_F(GenerateTest, ShowingWithoutABrowserNamesThePage)
{
    const QString target = prepare(1);
    const QString bin = writeFakeOpener(path(u"bin"_s), 3);
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", (bin + u':').toLocal8Bit() + searchPath);
    m_dialogs.queue(DialogResult::Yes);
    form().btGenClick();
    qputenv("PATH", searchPath);

    const QString page = QDir(target).filePath(u"index.htm"_s);
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{kFinalQuestion,
                           u"Die Seite konnte nicht im Browser geöffnet werden:\r\n"_s + page}));
    EXPECT_EQ(m_dialogs.entries().last().type, DialogType::Warning);
    EXPECT_EQ(readBytes(bin + u"/opened.txt"_s), page.toUtf8() + '\n');
}

// The run's own tests answer "Abbrechen?" No and Yes; here the press reaches the run from
// the button while it works, and the window is ready again afterwards.
TEST_F(GenerateTest, PressDuringTheRunAnsweredYesStopsIt)
{
    const QString target = prepare(8);
    bool pressed = false;
    QObject::connect(progress(), &QProgressBar::valueChanged, [&](int value) {
        // A press of the button arrives as an event while the run goes on.
        if (value > 0 && !pressed) {
            pressed = true;
            QMetaObject::invokeMethod(button(), "click", Qt::QueuedConnection);
        }
        if (form().isGenerating()) {
            EXPECT_EQ(button()->text(), u"Abbrechen"_s);
            EXPECT_NE(QApplication::overrideCursor(), nullptr);
        }
    });
    m_dialogs.queue(DialogResult::Yes);
    form().btGenClick();

    EXPECT_EQ(m_dialogs.texts(), QStringList{u"Abbrechen?"_s});
    EXPECT_EQ(m_dialogs.entries().first().buttons, DialogButtons::YesNo);
    EXPECT_FALSE(filesBelow(target).contains(u"index.htm"_s)); // no index pages after a cancel
    EXPECT_EQ(button()->text(), u"Galerie &erstellen"_s);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_NE(progress()->value(), 100);
}

TEST_F(GenerateTest, ClosingDuringARunAsksTheRunToStop)
{
    prepare(6);
    bool closeRefused = false;
    QObject::connect(progress(), &QProgressBar::valueChanged, [&](int value) {
        if (value > 0 && !closeRefused && form().isGenerating())
            closeRefused = !form().close();
    });
    m_dialogs.queue(DialogResult::Yes); // "Abbrechen?"
    form().btGenClick();
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(m_dialogs.texts().first(), u"Abbrechen?"_s);
    EXPECT_TRUE(form().isVisible());
}

TEST_F(GenerateTest, SamePrefixesAreSeparatedVisibly)
{
    prepare(1);
    control<QLineEdit>("eTnPraefix")->setText(QString());
    control<QLineEdit>("ePicPraefix")->setText(QString());
    form().btGenClick();
    EXPECT_EQ(control<QLineEdit>("eTnPraefix")->text(), u"tn_"_s);
    EXPECT_EQ(form().project().textValue(u"TnPraefix"_s), u"tn_"_s);
}

TEST_F(GenerateTest, WindowAndCommandLineMakeTheSameGallery)
{
    const QString target = prepare(3);
    control<QLineEdit>("edTnPath")->setText(u"klein"_s);
    const QString project = path(u"galerie.lmv"_s);
    m_choosers.saveNames = {project};
    form().speichernunter1Click();
    m_dialogs.queue(DialogResult::Yes); // "Ordner neu erstellen (...)?"
    form().btGenClick();
    const QString fromWindow = path(u"vom_fenster"_s);
    ASSERT_TRUE(QDir().rename(target, fromWindow));
    QDir().mkpath(target);

    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, path(u"home"_s));
    env.insert(u"XDG_CONFIG_HOME"_s, path(u"home/.config"_s));
    cli.setProcessEnvironment(env);
    cli.start(QStringLiteral(LUMIVISTA_BINARY), {u"generate"_s, project, u"--yes"_s});
    ASSERT_TRUE(cli.waitForFinished(120000));
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().constData();

    const QStringList windowFiles = filesBelow(fromWindow);
    EXPECT_EQ(windowFiles.filter(QRegularExpression(u"\\.jpg$"_s)).size(), 6);
    ASSERT_EQ(filesBelow(target), windowFiles);
    // Pages carry the time of their run; everything else is byte for byte the same.
    const QRegularExpression clock(u"\\d{1,2}:\\d\\d"_s);
    for (const QString& name : windowFiles) {
        const QByteArray a = readBytes(fromWindow + u'/' + name);
        const QByteArray b = readBytes(target + u'/' + name);
        if (!name.endsWith(u".htm"_s)) {
            EXPECT_EQ(a, b) << qPrintable(name);
            continue;
        }
        const QList<QByteArray> linesA = a.split('\n');
        const QList<QByteArray> linesB = b.split('\n');
        ASSERT_EQ(linesA.size(), linesB.size()) << qPrintable(name);
        for (qsizetype i = 0; i < linesA.size(); ++i) {
            if (linesA.at(i) != linesB.at(i)) {
                EXPECT_TRUE(QString::fromLatin1(linesA.at(i)).contains(clock))
                    << qPrintable(name) << ": " << linesA.at(i).constData();
            }
        }
    }
}
