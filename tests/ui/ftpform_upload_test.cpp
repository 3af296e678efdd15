// The FTP window's gallery upload and single-file commands against pyftpdlib and proftpd
// on 127.0.0.1: start, question, stop between files, refused MKD, dropped files, file
// count; a generated gallery from the main window; the upload scenarios the upload loop's
// test drives too; download, upload, delete, create folder, rename
// and CRC with their dialogs.
#include "fakeftpserver.h"
#include "ftpform_fixture.h"
#include "ftpsessions.h"
#include "ftptestserver.h"
#include "testsupport.h"
#include "ui/mainform.h"
#include "ui/settingsbinding.h"
#include "util/dialogs.h"
#include "util/paths.h"
#include "util/settingsstore.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

void writeAll(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Answers the file and input dialogs from queues and records what they were asked.
class ScriptedPrompts : public FtpPrompts
{
public:
    QStringList asked;
    QStringList files;                    // answers of saveFile / openFile
    QList<std::optional<QString>> inputs; // answers of inputText

    QString saveFile(QWidget*, const QString& filter, const QString& fileName) override
    {
        asked.append(QStringLiteral("save ") + filter + QLatin1Char(' ') + fileName);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    QString openFile(QWidget*, const QString& filter) override
    {
        asked.append(QStringLiteral("open ") + filter);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    std::optional<QString> inputText(QWidget*, const QString& title, const QString& prompt,
                                     const QString& text) override
    {
        asked.append(title + QLatin1Char('|') + prompt + QLatin1Char('|') + text);
        return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
    }
    std::optional<QString> inputSecret(QWidget*, const QString& title,
                                       const QString& prompt) override
    {
        asked.append(title + QLatin1Char('|') + prompt);
        return inputs.isEmpty() ? std::nullopt : inputs.takeFirst();
    }
};

class FtpFormUpload : public ::testing::TestWithParam<FtpTestServer::Kind>
{
protected:
    void SetUp() override
    {
        // Uploads keep their record and the settings in a data folder of the test's own;
        // they follow the order of files of one connection unless they ask for more.
        m_savedPaths = pathContext();
        setDataFoldersForTest(m_data.path(), m_data.path());
        ftpControl<QSpinBox>(m_form, "edTransfers")->setValue(1);
        m_server = std::make_unique<FtpTestServer>(GetParam());
        ASSERT_TRUE(m_server->start()) << m_server->reason().toStdString();
        QDir(m_server->root()).mkpath(QStringLiteral("web"));
        m_form.setPrompts(&m_prompts);
        ftpControl<QComboBox>(m_form, "edFtpServer")
            ->setEditText(QStringLiteral("127.0.0.1:%1").arg(m_server->port()));
        ftpControl<QLineEdit>(m_form, "edFtpUser")->setText(m_server->user());
        ftpControl<QLineEdit>(m_form, "edFtpPw")->setText(m_server->password());
        ftpControl<QComboBox>(m_form, "edFtpPath")->setEditText(QStringLiteral("/web"));
        ftpControl<QAction>(m_form, "actConnectDisconnect")->trigger();
        ASSERT_TRUE(m_form.ftp().connected()) << m_dialogs.texts().join(u'\n').toStdString();
        ASSERT_EQ(remoteFolder(m_form), QStringLiteral("/web"));
    }

    void TearDown() override
    {
        m_form.close();
        setPathContext(m_savedPaths);
    }

    QList<Qt::CheckState> checkStates() const
    {
        QList<Qt::CheckState> states;
        for (int i = 0; i < ftpControl<QListWidget>(m_form, "Quelle")->count(); ++i)
            states.append(ftpControl<QListWidget>(m_form, "Quelle")->item(i)->checkState());
        return states;
    }

    // The gallery folder with its two picture folders, handed over as "FTP Upload..." does.
    void handOverGallery(int pictures)
    {
        writeAll(m_local.filePath(QStringLiteral("index.htm")), "<html></html>\r\n");
        writeAll(m_local.filePath(QStringLiteral("font.css")), "body {}\r\n");
        for (int i = 1; i <= pictures; ++i) {
            const QString n = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
            writeAll(m_local.filePath(QStringLiteral("image1/tn_") + n + QStringLiteral(".jpg")),
                     QByteArray(500 + i, char(i)));
            writeAll(m_local.filePath(QStringLiteral("image2/") + n + QStringLiteral(".jpg")),
                     QByteArray(9000 + i, char(255 - i)) + "\r\n\0end");
        }
        m_form.setQuellPath(m_local.path());
        m_form.ReadFiles(QString(), QString());
        m_form.ReadFiles(m_local.filePath(QStringLiteral("image1")), QStringLiteral("a"));
        m_form.ReadFiles(m_local.filePath(QStringLiteral("image2")), QStringLiteral("a"));
    }

    QStringList logLines(const QString& prefix) const
    {
        QStringList out;
        for (int i = 0; i < ftpControl<QListWidget>(m_form, "lbStatus")->count(); ++i) {
            if (ftpControl<QListWidget>(m_form, "lbStatus")->item(i)->text().startsWith(prefix))
                out.append(ftpControl<QListWidget>(m_form, "lbStatus")->item(i)->text());
        }
        return out;
    }

    QTreeWidgetItem* selectRow(const QString& caption)
    {
        QTreeWidget* list = ftpControl<QTreeWidget>(m_form, "lvFiles");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->text(TFTPForm::ColName) == caption) {
                list->setCurrentItem(list->topLevelItem(i));
                return list->topLevelItem(i);
            }
        }
        list->setCurrentItem(nullptr);
        return nullptr;
    }

    QString web(const QString& rel) const
    {
        return m_server->root() + QStringLiteral("/web/") + rel;
    }

    PathContext m_savedPaths;
    QTemporaryDir m_data;
    ScriptedDialogs m_dialogs;
    DialogServiceGuard m_guard{&m_dialogs};
    ScriptedPrompts m_prompts;
    std::unique_ptr<FtpTestServer> m_server;
    QTemporaryDir m_local;
    TFTPForm m_form;
};

} // namespace

TEST_P(FtpFormUpload, GalleryUploadedWithQuestionLogAndFileCount)
{
    handOverGallery(10);
    ASSERT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->count(), 22);
    EXPECT_EQ(ftpControl<QPushButton>(m_form, "btUpload")->text(),
              QStringLiteral("Start upload ->"));
    QStringList seen;
    QTimer::singleShot(0, &m_form, [&] {
        seen << m_form.UploadState() << ftpControl<QPushButton>(m_form, "btUpload")->text()
             << statusPanel(m_form, 1)->text();
        seen << (ftpControl<QAction>(m_form, "actRefresh")->isEnabled()
                     ? QStringLiteral("refresh on")
                     : QStringLiteral("refresh off"));
    });
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();

    ASSERT_GE(m_dialogs.entries().size(), 1);
    EXPECT_EQ(
        m_dialogs.entries()[0].text,
        QStringLiteral("Upload all checked Files to:\r\n127.0.0.1:%1: /web").arg(m_server->port()));
    EXPECT_EQ(m_dialogs.entries()[0].type, DialogType::Confirmation);
    EXPECT_EQ(m_dialogs.entries().size(), 1) << m_dialogs.texts().join(u'\n').toStdString();
    // Seen between the first and the second file.
    EXPECT_EQ(seen, (QStringList{QStringLiteral("u"), QStringLiteral("Stop upload"),
                                 QStringLiteral("1 / 22, 5 %"), QStringLiteral("refresh off")}));

    for (int i = 0; i < ftpControl<QListWidget>(m_form, "Quelle")->count(); ++i) {
        const QString rel = ftpControl<QListWidget>(m_form, "Quelle")->item(i)->text();
        EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(i)->checkState(), Qt::Unchecked)
            << rel.toStdString();
        EXPECT_EQ(readAll(web(rel)), readAll(m_local.filePath(rel))) << rel.toStdString();
    }
    EXPECT_EQ(m_form.UploadState(), QString());
    EXPECT_EQ(ftpControl<QPushButton>(m_form, "btUpload")->text(), QStringLiteral("Start upload"));
    EXPECT_EQ(statusPanel(m_form, 1)->text(), QString());
    EXPECT_TRUE(ftpControl<QAction>(m_form, "actRefresh")->isEnabled());
    EXPECT_EQ(ftpControl<QLabel>(m_form, "lFtpPath")->text(), QStringLiteral(" Server: /web"));
    EXPECT_EQ(ftpControl<QTreeWidget>(m_form, "lvFiles")->topLevelItemCount(),
              1 + 2 + 2); // .., image1, image2, files
    EXPECT_EQ(logLines(QStringLiteral("MKD")),
              (QStringList{QStringLiteral("MKD image1/"), QStringLiteral("MKD image2/")}));
    const QStringList starts = logLines(QStringLiteral("Start: "));
    ASSERT_EQ(starts.size(), 22);
    EXPECT_EQ(starts[0], QStringLiteral("Start: font.css"));
    EXPECT_EQ(starts[2], QStringLiteral("Start: tn_0001.jpg"));
    EXPECT_EQ(logLines(QStringLiteral("End: ")).size(), 22);
    // Transfers in words: the size when the server gives it (a listing has none).
    EXPECT_EQ(logLines(QStringLiteral("Transfer of 9011 bytes started")).size(), 1);
    EXPECT_GE(logLines(QStringLiteral("Transfer started")).size(), 1);
    EXPECT_GE(logLines(QStringLiteral("Transfer finished")).size(), 22);
    EXPECT_FALSE(logLines(QStringLiteral("Transferred ")).isEmpty());
    // Upload lines are blue, transfer lines purple; no bare numbers.
    for (int i = 0; i < ftpControl<QListWidget>(m_form, "lbStatus")->count(); ++i) {
        const QListWidgetItem* item = ftpControl<QListWidget>(m_form, "lbStatus")->item(i);
        EXPECT_FALSE(item->text().startsWith(QLatin1String("Work"))) << item->text().toStdString();
        EXPECT_FALSE(item->text().contains(QLatin1String("-1"))) << item->text().toStdString();
        if (item->text().startsWith(QLatin1String("Start: "))) {
            EXPECT_EQ(item->foreground().color(), QColor(0, 0, 255));
        }
        if (item->text().startsWith(QLatin1String("Transfer"))) {
            EXPECT_EQ(item->foreground().color(), QColor(128, 0, 128));
        }
    }
}

// The window's upload fills the record; "Select changed" then ticks exactly the files
// edited here or lost on the server, and without a connection it says so.
TEST_P(FtpFormUpload, SelectChangedTicksExactlyTheChangedFiles)
{
    handOverGallery(3);
    const QStringList entries{
        QStringLiteral("font.css"),           QStringLiteral("index.htm"),
        QStringLiteral("image1/tn_0001.jpg"), QStringLiteral("image1/tn_0002.jpg"),
        QStringLiteral("image1/tn_0003.jpg"), QStringLiteral("image2/0001.jpg"),
        QStringLiteral("image2/0002.jpg"),    QStringLiteral("image2/0003.jpg")};
    auto* button = ftpControl<QPushButton>(m_form, "btSelChanged");
    ASSERT_EQ(button->text(), QStringLiteral("Select changed"));
    // Nothing uploaded to this folder yet: everything is changed.
    m_form.btUnselClick();
    button->click();
    EXPECT_EQ(checkStates(), QList<Qt::CheckState>(entries.size(), Qt::Checked));
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    ASSERT_EQ(m_dialogs.entries().size(), 1) << m_dialogs.texts().join(u'\n').toStdString();

    button->click();
    EXPECT_EQ(checkStates(), QList<Qt::CheckState>(entries.size(), Qt::Unchecked));
    EXPECT_EQ(logLines(QStringLiteral("0 of 8 files changed")).size(), 1);

    writeAll(m_local.filePath(QStringLiteral("image1/tn_0002.jpg")), "edited");
    ASSERT_TRUE(QFile::remove(web(QStringLiteral("image2/0003.jpg"))));
    button->click();
    QList<Qt::CheckState> expected(entries.size(), Qt::Unchecked);
    expected[3] = expected[7] = Qt::Checked;
    EXPECT_EQ(checkStates(), expected);
    EXPECT_EQ(remoteFolder(m_form), QStringLiteral("/web"));

    // Only those two are sent; then nothing is changed any more.
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    EXPECT_EQ(logLines(QStringLiteral("Start: ")).size(), 8 + 2);
    EXPECT_EQ(readAll(web(QStringLiteral("image1/tn_0002.jpg"))), QByteArray("edited"));
    button->click();
    EXPECT_EQ(checkStates(), QList<Qt::CheckState>(entries.size(), Qt::Unchecked));
    EXPECT_EQ(m_dialogs.entries().size(), 2) << m_dialogs.texts().join(u'\n').toStdString();

    ftpControl<QAction>(m_form, "actConnectDisconnect")->trigger();
    ASSERT_FALSE(m_form.ftp().connected());
    m_form.btSelAllClick();
    button->click();
    ASSERT_EQ(m_dialogs.entries().size(), 3);
    EXPECT_EQ(m_dialogs.entries()[2].type, DialogType::Error);
    EXPECT_EQ(m_dialogs.entries()[2].text, QStringLiteral("Not connected."));
    EXPECT_EQ(checkStates(), QList<Qt::CheckState>(entries.size(), Qt::Checked));
}

// A stored folder the server lacks: the start folder is listed and the log says why.
TEST_P(FtpFormUpload, MissingFolderIsNamedInTheLog)
{
    ftpControl<QAction>(m_form, "actConnectDisconnect")->trigger();
    ftpControl<QComboBox>(m_form, "edFtpPath")->setEditText(QStringLiteral("/missing"));
    ftpControl<QAction>(m_form, "actConnectDisconnect")->trigger();
    ASSERT_TRUE(m_form.ftp().connected());
    EXPECT_EQ(remoteFolder(m_form), QStringLiteral("/"));
    const QStringList lines =
        logLines(QStringLiteral("Remote folder /missing does not exist (550"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("choose another under \"Path:\".")));
}

TEST_P(FtpFormUpload, ThreeTransfersSendTheGalleryWithItsFoldersMadeFirst)
{
    handOverGallery(10);
    ftpControl<QSpinBox>(m_form, "edTransfers")->setValue(3);
    bool enabledWhileRunning = true;
    QTimer::singleShot(0, &m_form, [&] {
        enabledWhileRunning = ftpControl<QSpinBox>(m_form, "edTransfers")->isEnabled();
    });
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();

    EXPECT_EQ(m_dialogs.entries().size(), 1) << m_dialogs.texts().join(u'\n').toStdString();
    for (int i = 0; i < ftpControl<QListWidget>(m_form, "Quelle")->count(); ++i) {
        const QString rel = ftpControl<QListWidget>(m_form, "Quelle")->item(i)->text();
        EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(i)->checkState(), Qt::Unchecked)
            << rel.toStdString();
        EXPECT_EQ(readAll(web(rel)), readAll(m_local.filePath(rel))) << rel.toStdString();
    }
    EXPECT_FALSE(enabledWhileRunning);
    EXPECT_TRUE(ftpControl<QSpinBox>(m_form, "edTransfers")->isEnabled());
    EXPECT_EQ(logLines(QStringLiteral("End: ")).size(), 22);
    // Both folders are made before the first file starts.
    QStringList lines;
    for (int i = 0; i < ftpControl<QListWidget>(m_form, "lbStatus")->count(); ++i)
        lines.append(ftpControl<QListWidget>(m_form, "lbStatus")->item(i)->text());
    const qsizetype firstStart = lines.indexOf(logLines(QStringLiteral("Start: ")).value(0));
    EXPECT_LT(lines.indexOf(QStringLiteral("MKD image2/")), firstStart);
    EXPECT_GE(lines.indexOf(QStringLiteral("MKD image1/")), 0);
    EXPECT_EQ(readSetting(QString(), QStringLiteral("FtpTransfers")), QStringLiteral("3"));
}

TEST_P(FtpFormUpload, ClosingDuringTheUploadStopsItAndEscapeDisconnects)
{
    handOverGallery(3);
    m_form.show();
    bool stillShown = false;
    QTimer::singleShot(0, &m_form, [&] {
        m_form.close();
        m_form.reject();
        stillShown = m_form.isVisible() && m_form.ftp().connected();
    });
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    EXPECT_TRUE(stillShown);
    EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(0)->checkState(), Qt::Unchecked);
    EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(m_form.UploadState(), QString());
    // Without an upload, Escape ends the session like "Close".
    m_form.reject();
    EXPECT_FALSE(m_form.isVisible());
    EXPECT_FALSE(m_form.ftp().connected());
    EXPECT_FALSE(ftpControl<QTimer>(m_form, "Timer1")->isActive());
}

TEST_P(FtpFormUpload, StopAfterTheCurrentFileThenContinue)
{
    handOverGallery(3);
    // The press arrives while events are processed after the first file.
    QTimer::singleShot(0, &m_form, [&] { ftpControl<QPushButton>(m_form, "btUpload")->click(); });
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    EXPECT_EQ(m_dialogs.entries().size(), 1) << m_dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(m_form.UploadState(), QString());
    EXPECT_EQ(ftpControl<QPushButton>(m_form, "btUpload")->text(), QStringLiteral("Start upload"));
    EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(0)->checkState(), Qt::Unchecked);
    for (int i = 1; i < ftpControl<QListWidget>(m_form, "Quelle")->count(); ++i)
        EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(i)->checkState(), Qt::Checked)
            << i;
    EXPECT_TRUE(QFile::exists(web(QStringLiteral("font.css"))));
    EXPECT_FALSE(QFile::exists(web(QStringLiteral("index.htm"))));

    // Answering No leaves everything as it is.
    m_dialogs.queue(DialogResult::No);
    m_form.btUploadClick();
    EXPECT_FALSE(QFile::exists(web(QStringLiteral("index.htm"))));
    EXPECT_EQ(m_form.UploadState(), QString());

    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    EXPECT_EQ(readAll(web(QStringLiteral("image2/0003.jpg"))),
              readAll(m_local.filePath(QStringLiteral("image2/0003.jpg"))));
    EXPECT_EQ(logLines(QStringLiteral("Start: font.css")).size(), 1);

    // Nothing checked: still asked, nothing sent, the list shown again.
    QFile::remove(web(QStringLiteral("index.htm")));
    m_dialogs.clear();
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    EXPECT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_FALSE(QFile::exists(web(QStringLiteral("index.htm"))));
    EXPECT_EQ(ftpControl<QLabel>(m_form, "lFtpPath")->text(), QStringLiteral(" Server: /web"));
}

TEST_P(FtpFormUpload, RefusedMkdShowsTheErrorAndKeepsTheEntry)
{
    writeAll(m_local.filePath(QStringLiteral("a/b/c.jpg")), "deep");
    m_form.setQuellPath(m_local.path());
    m_form.ReadFiles(m_local.filePath(QStringLiteral("a/b")), QString());
    ASSERT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(0)->text(),
              QStringLiteral("a/b/c.jpg"));
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    ASSERT_EQ(m_dialogs.entries().size(), 2);
    EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Error);
    EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(logLines(QStringLiteral("MKD")), (QStringList{QStringLiteral("MKD a/b/")}));
    EXPECT_EQ(ftpControl<QLabel>(m_form, "lFtpPath")->text(), QStringLiteral(" Server: /web"));
    EXPECT_EQ(ftpControl<QPushButton>(m_form, "btUpload")->text(), QStringLiteral("Start upload"));
}

TEST_P(FtpFormUpload, DroppedFilesUploadOnlyTheFirstFile)
{
    writeAll(m_local.filePath(QStringLiteral("one.jpg")), "one");
    writeAll(m_local.filePath(QStringLiteral("two.jpg")), "two");
    // A drop from the desktop arrives as these paths (the panel takes drops).
    EXPECT_TRUE(ftpControl<QWidget>(m_form, "remotePanel")->acceptDrops());
    const auto drop = [&](const QStringList& paths) { m_form.remoteFilesDropped(paths); };
    drop(
        {m_local.filePath(QStringLiteral("one.jpg")), m_local.filePath(QStringLiteral("two.jpg"))});
    EXPECT_EQ(readAll(web(QStringLiteral("one.jpg"))), QByteArray("one"));
    EXPECT_FALSE(QFile::exists(web(QStringLiteral("two.jpg"))));
    EXPECT_EQ(logLines(QStringLiteral("Start: one.jpg")).size(), 1);
    EXPECT_NE(selectRow(QStringLiteral("one.jpg")), nullptr); // listed again

    drop({m_local.path()}); // a folder: nothing
    EXPECT_EQ(QDir(web(QString())).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 1);
    EXPECT_TRUE(m_dialogs.entries().isEmpty()) << m_dialogs.texts().join(u'\n').toStdString();
}

TEST_P(FtpFormUpload, DownloadAskedBeforeReplacingAFile)
{
    writeAll(web(QStringLiteral("photo.jpg")), "remote photo");
    writeAll(web(QStringLiteral("README")), "readme");
    m_form.actRefreshExecute();
    const QString local = m_local.filePath(QStringLiteral("photo.jpg"));
    writeAll(local, "old");

    ASSERT_TRUE(selectRow(QStringLiteral("photo.jpg")));
    m_prompts.files << local;
    m_dialogs.queue(DialogResult::No);
    ftpControl<QAction>(m_form, "actDownloadFile")->trigger();
    EXPECT_EQ(m_prompts.asked.last(),
              QStringLiteral("save .jpg files|*.jpg|All Files|*.* photo.jpg"));
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries()[0].text, QStringLiteral("File exists overwrite?"));
    EXPECT_EQ(m_dialogs.entries()[0].type, DialogType::Warning);
    EXPECT_EQ(readAll(local), QByteArray("old"));

    m_prompts.files << local;
    m_dialogs.queue(DialogResult::Yes);
    ftpControl<QAction>(m_form, "actDownloadFile")->trigger();
    EXPECT_EQ(readAll(local), QByteArray("remote photo"));

    // No extension; a double click on a file row downloads; cancelling does nothing.
    ASSERT_TRUE(selectRow(QStringLiteral("README")));
    m_form.lvFilesDblClick();
    EXPECT_EQ(m_prompts.asked.last(), QStringLiteral("save  files|*|All Files|*.* README"));
    EXPECT_FALSE(QFile::exists(m_local.filePath(QStringLiteral("README"))));

    // On a folder row Download changes into it.
    QDir(web(QString())).mkpath(QStringLiteral("sub"));
    m_form.actRefreshExecute();
    ASSERT_TRUE(selectRow(QStringLiteral("sub")));
    ftpControl<QAction>(m_form, "actDownloadFile")->trigger();
    EXPECT_EQ(remoteFolder(m_form), QStringLiteral("/web/sub"));
    EXPECT_EQ(m_dialogs.entries().size(), 2);
}

TEST_P(FtpFormUpload, UploadDeleteCreateRenameAndCrc)
{
    const QString file = m_local.filePath(QStringLiteral("single.txt"));
    writeAll(file, "line one\nline two\n");
    m_prompts.files << file;
    ftpControl<QAction>(m_form, "actUploadFile")->trigger();
    EXPECT_EQ(m_prompts.asked.last(), QStringLiteral("open All Files|*.*"));
    EXPECT_EQ(readAll(web(QStringLiteral("single.txt"))), readAll(file)); // binary by default
    EXPECT_TRUE(logLines(QStringLiteral("Start: ")).isEmpty());
    ASSERT_TRUE(selectRow(QStringLiteral("single.txt")));

    // CRC: -1 without XCRC (pyftpdlib), the CRC-32 of the file with it (proftpd).
    ftpControl<QAction>(m_form, "acCrc")->trigger();
    ASSERT_EQ(m_dialogs.entries().size(), 1);
    EXPECT_EQ(m_dialogs.entries()[0].type, DialogType::Information);
    const QString expected = GetParam() == FtpTestServer::Kind::Proftpd
                                 ? QString::number(crc32(readAll(file)))
                                 : QStringLiteral("-1");
    EXPECT_EQ(m_dialogs.entries()[0].text, expected);
    EXPECT_FALSE(ftpControl<QAction>(m_form, "acCrc")->isVisible());

    // Create Folder: cancelled, then confirmed; an existing name is refused with a message.
    ftpControl<QAction>(m_form, "actCreateFolder")->trigger();
    EXPECT_EQ(m_prompts.asked.last(), QStringLiteral("New folder|New folder name:|New Folder"));
    m_prompts.inputs << QStringLiteral("New Folder");
    ftpControl<QAction>(m_form, "actCreateFolder")->trigger();
    EXPECT_TRUE(QFileInfo(web(QStringLiteral("New Folder"))).isDir());
    EXPECT_NE(selectRow(QStringLiteral("New Folder")), nullptr);
    m_prompts.inputs << QStringLiteral("New Folder");
    ftpControl<QAction>(m_form, "actCreateFolder")->trigger();
    ASSERT_EQ(m_dialogs.entries().size(), 2);
    EXPECT_EQ(m_dialogs.entries()[1].type, DialogType::Error);

    // Rename to the same name still sends RNFR and RNTO.
    ASSERT_TRUE(selectRow(QStringLiteral("single.txt")));
    m_prompts.inputs << QStringLiteral("single.txt");
    ftpControl<QAction>(m_form, "actRename")->trigger();
    EXPECT_EQ(m_prompts.asked.last(), QStringLiteral("Rename|New name:|single.txt"));
    EXPECT_EQ(logLines(QStringLiteral("RNFR single.txt")).size(), 1);
    EXPECT_EQ(logLines(QStringLiteral("RNTO single.txt")).size(), 1);
    EXPECT_EQ(m_dialogs.entries().size(), 2);

    // In place: renamed without a new listing; a refused rename restores the caption.
    QTreeWidgetItem* row = selectRow(QStringLiteral("single.txt"));
    ASSERT_TRUE(row);
    row->setText(TFTPForm::ColName, QStringLiteral("renamed.txt"));
    EXPECT_TRUE(QFile::exists(web(QStringLiteral("renamed.txt"))));
    EXPECT_EQ(row->text(TFTPForm::ColName), QStringLiteral("renamed.txt"));
    QFile::remove(web(QStringLiteral("renamed.txt")));
    row->setText(TFTPForm::ColName, QStringLiteral("again.txt"));
    EXPECT_EQ(row->text(TFTPForm::ColName), QStringLiteral("renamed.txt"));
    ASSERT_EQ(m_dialogs.entries().size(), 3);
    EXPECT_EQ(m_dialogs.entries()[2].type, DialogType::Error);

    // Delete: No keeps, Yes removes; a folder with RMD; a non-empty folder is refused.
    writeAll(web(QStringLiteral("del.htm")), "x");
    writeAll(web(QStringLiteral("full/x.htm")), "x");
    m_form.actRefreshExecute();
    ASSERT_TRUE(selectRow(QStringLiteral("del.htm")));
    m_dialogs.queue(DialogResult::No);
    ftpControl<QAction>(m_form, "actDeleteFileFolder")->trigger();
    EXPECT_EQ(m_dialogs.entries()[3].text,
              QStringLiteral("Are you sure you want to delete del.htm?"));
    EXPECT_EQ(m_dialogs.entries()[3].type, DialogType::Warning);
    EXPECT_TRUE(QFile::exists(web(QStringLiteral("del.htm"))));
    m_dialogs.queue(DialogResult::Yes);
    ftpControl<QAction>(m_form, "actDeleteFileFolder")->trigger();
    EXPECT_FALSE(QFile::exists(web(QStringLiteral("del.htm"))));
    EXPECT_EQ(selectRow(QStringLiteral("del.htm")), nullptr);
    ASSERT_TRUE(selectRow(QStringLiteral("New Folder")));
    m_dialogs.queue(DialogResult::Yes);
    ftpControl<QAction>(m_form, "actDeleteFileFolder")->trigger();
    EXPECT_FALSE(QFileInfo::exists(web(QStringLiteral("New Folder"))));
    EXPECT_EQ(logLines(QStringLiteral("RMD New Folder")).size(), 1);
    ASSERT_TRUE(selectRow(QStringLiteral("full")));
    m_dialogs.queue(DialogResult::Yes);
    const int before = int(m_dialogs.entries().size());
    ftpControl<QAction>(m_form, "actDeleteFileFolder")->trigger();
    ASSERT_EQ(m_dialogs.entries().size(), before + 2);
    EXPECT_EQ(m_dialogs.entries().last().type, DialogType::Error);
    EXPECT_TRUE(QFile::exists(web(QStringLiteral("full/x.htm"))));

    // ASCII chosen for downloads: line ends come back as they were stored, the menu is a
    // radio choice.
    QMenu* menu = ftpControl<QMenu>(m_form, "puDownload");
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_TRUE(menu->actions()[1]->isChecked());
    menu->actions()[0]->trigger();
    EXPECT_FALSE(menu->actions()[1]->isChecked());
}

// Everything typed into the address, as a new user does, and a remote folder '/news'.
TEST_P(FtpFormUpload, PasswordInTheAddressLogsInAndIsNeitherSavedNorShown)
{
    ftpControl<QAction>(m_form, "actConnectDisconnect")->trigger();
    ASSERT_FALSE(m_form.ftp().connected());
    const SettingsBinding binding(&m_form); // as the main window binds the fields
    QDir(m_server->root()).mkpath(QStringLiteral("news"));
    const QString password = m_server->password();
    const QString address = QStringLiteral("ftp://127.0.0.1:%1").arg(m_server->port());
    ftpControl<QComboBox>(m_form, "edFtpServer")
        ->setEditText(QStringLiteral("ftp://%1:%2@127.0.0.1:%3")
                          .arg(m_server->user(), password)
                          .arg(m_server->port()));
    ftpControl<QLineEdit>(m_form, "edFtpUser")->clear();
    ftpControl<QLineEdit>(m_form, "edFtpPw")->clear();
    ftpControl<QComboBox>(m_form, "edFtpPath")->setEditText(QStringLiteral("/news"));
    ftpControl<QAction>(m_form, "actConnectDisconnect")->trigger();
    ASSERT_TRUE(m_form.ftp().connected()) << m_dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(ftpControl<QComboBox>(m_form, "edFtpServer")->currentText(), address);
    EXPECT_EQ(ftpControl<QLineEdit>(m_form, "edFtpUser")->text(), m_server->user());

    // Two files whose names differ only in case: both are listed and both arrive.
    writeAll(m_local.filePath(QStringLiteral("IMG_1234.JPG")), "upper");
    writeAll(m_local.filePath(QStringLiteral("img_1234.jpg")), "lower");
    m_form.setQuellPath(m_local.path());
    m_form.ReadFiles(QString(), QString());
    EXPECT_EQ(ftpControl<QListWidget>(m_form, "Quelle")->count(), 2);
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    EXPECT_EQ(m_dialogs.texts(), QStringList{QStringLiteral("Upload all checked Files to:\r\n") +
                                             address + QStringLiteral(": /news")});
    EXPECT_EQ(readAll(m_server->root() + QStringLiteral("/news/IMG_1234.JPG")), "upper");
    EXPECT_EQ(readAll(m_server->root() + QStringLiteral("/news/img_1234.jpg")), "lower");

    QStringList shown = m_dialogs.texts();
    for (int i = 0; i < ftpControl<QListWidget>(m_form, "lbStatus")->count(); ++i)
        shown.append(ftpControl<QListWidget>(m_form, "lbStatus")->item(i)->text());
    for (int i = 0; i < 4; ++i)
        shown.append(statusPanel(m_form, i)->text());
    for (const QString& text : shown)
        EXPECT_FALSE(text.contains(password)) << text.toStdString();

    // The project saved from the fields.
    ProjectState project;
    project.applyStartSettings();
    binding.store(project);
    const QString file = m_local.filePath(QStringLiteral("p.lmv"));
    project.SaveParam(file);
    EXPECT_FALSE(readAll(file).contains(password.toUtf8()));
    EXPECT_TRUE(
        readAll(file).contains(QStringLiteral("FtpServer=%1\r\nFtpUser=%2\r\nFtpPath=/news\r\n")
                                   .arg(address, m_server->user())
                                   .toUtf8()));
}

// "Remove stale files" lists the files an upload stored that the list no longer has; No
// keeps them, Yes deletes them and nothing else.
TEST_P(FtpFormUpload, RemoveStaleFilesAsksThenDeletesOnlyWhatTheListLost)
{
    handOverGallery(3);
    m_dialogs.queue(DialogResult::Yes);
    m_form.btUploadClick();
    writeAll(web(QStringLiteral("image1/own.jpg")), "the user's own");
    const QStringList stale{QStringLiteral("image1/tn_0003.jpg"),
                            QStringLiteral("image2/0003.jpg")};
    for (const QString& rel : stale)
        ASSERT_TRUE(QFile::remove(m_local.filePath(rel)));
    handOverGallery(2);

    auto* button = ftpControl<QPushButton>(m_form, "btRemoveStale");
    ASSERT_EQ(button->text(), QStringLiteral("Remove stale files"));
    m_dialogs.queue(DialogResult::No);
    button->click();
    ASSERT_EQ(m_dialogs.entries().size(), 2) << m_dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(m_dialogs.entries()[1].text,
              QStringLiteral("Delete these 2 files from the server? An earlier upload stored them "
                             "and the list no longer has them:\r\n/web/image1/tn_0003.jpg\r\n"
                             "/web/image2/0003.jpg"));
    for (const QString& rel : stale)
        EXPECT_TRUE(QFile::exists(web(rel))) << rel.toStdString();

    m_dialogs.queue(DialogResult::Yes);
    button->click();
    EXPECT_EQ(m_dialogs.entries().size(), 3) << m_dialogs.texts().join(u'\n').toStdString();
    for (const QString& rel : stale)
        EXPECT_FALSE(QFile::exists(web(rel))) << rel.toStdString();
    EXPECT_TRUE(QFile::exists(web(QStringLiteral("image1/own.jpg"))));
    EXPECT_TRUE(QFile::exists(web(QStringLiteral("image2/0002.jpg"))));
    EXPECT_EQ(logLines(QStringLiteral("2 of 2 stale files deleted")).size(), 1);
    EXPECT_EQ(remoteFolder(m_form), QStringLiteral("/web"));
}

LUMIVISTA_ON_EVERY_FTP_SERVER(FtpFormUpload);

// "Transfers:" is the user's setting: 4 at first, 1 to 10, read by the next window.
TEST(FtpFormTransfers, KeptInTheSettingsStore)
{
    QTemporaryDir data;
    const PathContext oldContext = pathContext();
    setDataFoldersForTest(data.path(), data.path());
    {
        TFTPForm form;
        QSpinBox* transfers = ftpControl<QSpinBox>(form, "edTransfers");
        EXPECT_EQ(transfers->value(), 4);
        EXPECT_EQ(transfers->minimum(), 1);
        EXPECT_EQ(transfers->maximum(), 10);
        transfers->setValue(12);
        EXPECT_EQ(readSetting(QString(), QStringLiteral("FtpTransfers")), QStringLiteral("10"));
    }
    EXPECT_EQ(ftpControl<QSpinBox>(TFTPForm(), "edTransfers")->value(), 10);
    writeSetting(QString(), QStringLiteral("FtpTransfers"), QStringLiteral("many"));
    EXPECT_EQ(ftpControl<QSpinBox>(TFTPForm(), "edTransfers")->value(), 4);
    setPathContext(oldContext);
}

// "FTP Upload..." in the main window with a gallery written by `lumivista generate`: the
// FTP window opens modally with the gallery's files checked, and the upload brings every
// file to the server byte for byte.
TEST(FtpFormGallery, GeneratedGalleryPublishedFromTheMainWindow)
{
    QTemporaryDir dir;
    const PathContext oldContext = pathContext();
    QDir(dir.path()).mkpath(QStringLiteral("doc"));
    setDataFoldersForTest(dir.filePath(QStringLiteral("doc")), dir.filePath(QStringLiteral("doc")));
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    FtpTestServer server(FtpTestServer::Kind::Pyftpdlib);
    ASSERT_TRUE(server.start()) << server.reason().toStdString();

    // 20 photos and the generation run of the program.
    const QString photos = dir.filePath(QStringLiteral("photos"));
    const QString target = dir.filePath(QStringLiteral("out"));
    QDir().mkpath(photos);
    for (int i = 0; i < 20; ++i) {
        QImage image(60 + i, 40, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 15, 180, 220));
        ASSERT_TRUE(
            image.save(photos + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'))));
    }
    const QString project = dir.filePath(QStringLiteral("p.lmv"));
    const auto run = [&](const QStringList& args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.filePath(QStringLiteral("home")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMIVISTA_BINARY), args);
        process.waitForFinished(120000);
        return process.exitCode();
    };
    ASSERT_EQ(run({QStringLiteral("project"), QStringLiteral("new"), project,
                   QStringLiteral("--folder"), photos, QStringLiteral("--target"), target,
                   QStringLiteral("TnPath=image1"), QStringLiteral("PicPath=image2")}),
              0);
    ASSERT_EQ(run({QStringLiteral("generate"), project, QStringLiteral("--yes")}), 0);

    TFTPForm ftp;
    {
        TMainForm main;
        main.show();
        main.findChild<QLineEdit*>(QStringLiteral("edZiel"))->setText(target);
        main.findChild<QLineEdit*>(QStringLiteral("edTnPath"))->setText(QStringLiteral("image1"));
        main.findChild<QLineEdit*>(QStringLiteral("edPicPath"))->setText(QStringLiteral("image2"));
        main.setFtpWindow(&ftp);
        bool wasModal = false;
        QTimer::singleShot(0, &ftp, [&] {
            wasModal = ftp.isModal() && ftp.isVisible();
            ftpControl<QComboBox>(ftp, "edFtpServer")
                ->setEditText(QStringLiteral("127.0.0.1:%1").arg(server.port()));
            ftpControl<QLineEdit>(ftp, "edFtpUser")->setText(server.user());
            ftpControl<QLineEdit>(ftp, "edFtpPw")->setText(server.password());
            ftpControl<QAction>(ftp, "actConnectDisconnect")->trigger();
            dialogs.queue(DialogResult::Yes);
            ftp.btUploadClick();
            ftp.close();
        });
        main.FTPUpload1Click();
        EXPECT_TRUE(wasModal);
        EXPECT_TRUE(ftpControl<QPushButton>(ftp, "btOpenDir")->isHidden());
    }
    EXPECT_EQ(dialogs.entries().size(), 1) << dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(ftpControl<QLabel>(ftp, "QuellPath")->text(), target);

    QStringList files;
    QDirIterator it(target, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(target).relativeFilePath(it.next()));
    ASSERT_GE(files.size(), 62);
    ASSERT_EQ(ftpControl<QListWidget>(ftp, "Quelle")->count(), files.size());
    EXPECT_EQ(ftpControl<QListWidget>(ftp, "Quelle")
                  ->item(ftpControl<QListWidget>(ftp, "Quelle")->count() - 1)
                  ->text(),
              QStringLiteral("image2/p19.jpg"));
    for (const QString& rel : files) {
        EXPECT_EQ(readAll(server.root() + QLatin1Char('/') + rel),
                  readAll(target + QLatin1Char('/') + rel))
            << rel.toStdString();
    }
    setPathContext(oldContext);
}

TEST(FtpFormHelp, HelpFileBesideTheProgramEnablesTheHelpAction)
{
    TFTPForm form;
    const QString expected =
        QDir::cleanPath(QDir(programDir()).absoluteFilePath(QStringLiteral("../Help/index.htm")));
    EXPECT_EQ(form.HelpFile(), expected);
    EXPECT_TRUE(form.HelpFile().endsWith(QStringLiteral("/Help/index.htm")));
    EXPECT_EQ(ftpControl<QAction>(form, "actHelp")->isEnabled(), QFileInfo::exists(expected));
    // The context menu of the remote list in its order, "CRC" hidden.
    QStringList texts;
    for (const QAction* a : ftpControl<QMenu>(form, "mnFile")->actions())
        texts.append(a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(texts.join(u','),
              QStringLiteral("Home,Back,Up a directory,Refresh,-,Download,Upload,-,"
                             "Rename,Delete,CRC,-,Create Folder"));
    EXPECT_FALSE(ftpControl<QAction>(form, "acCrc")->isVisible());
}

// Each scenario of tests/fixtures/ftp/scenarios, as the upload loop's test drives it, here
// through the window: after its opening listing, the same commands and the same end, shown
// as an error with the unsent files still checked.
class FtpFormScenario : public ::testing::TestWithParam<QString>
{
};

TEST_P(FtpFormScenario, UploadRunsAsScriptedWithTheExpectedEnd)
{
    const FakeFtpScenario scenario = FakeFtpScenario::load(
        {QStringLiteral("opening/login"), QStringLiteral("opening/window"), GetParam()});
    ScriptedDialogs dialogs;
    DialogServiceGuard guard(&dialogs);
    QTemporaryDir local;
    QTemporaryDir data;
    const PathContext savedPaths = pathContext();
    setDataFoldersForTest(data.path(), data.path());
    const auto restorePaths = qScopeGuard([&] { setPathContext(savedPaths); });
    const QStringList names = scenario.writeLocalFiles(local.path());
    FakeFtpServer server(scenario.script());
    TFTPForm form;
    connectToScript(form, server.port(), 5000);
    ASSERT_TRUE(form.ftp().connected());
    form.setQuellPath(local.path());
    form.ReadFiles(QString(), QString());
    ASSERT_EQ(ftpControl<QListWidget>(form, "Quelle")->count(), names.size());

    // The hang-up comes while events are processed after the first file.
    if (scenario.has(QStringLiteral("hang-up-after-first-file")))
        QTimer::singleShot(0, &form, [&] { form.ftp().disconnectFromServer(); });
    dialogs.queue(DialogResult::Yes);
    QElapsedTimer timer;
    timer.start();
    form.btUploadClick();
    if (scenario.has(QStringLiteral("within"))) {
        EXPECT_LT(timer.elapsed(), scenario.fact(QStringLiteral("within")).toInt());
    }
    EXPECT_EQ(server.failure(), QString());
    EXPECT_EQ(server.transcript(), scenario.commands());

    ASSERT_EQ(dialogs.entries().size(), 2) << dialogs.texts().join(u'\n').toStdString();
    EXPECT_EQ(dialogs.entries()[1].type, DialogType::Error);
    const QString shown = dialogs.entries()[1].text;
    if (scenario.has(QStringLiteral("message"))) {
        EXPECT_EQ(shown, scenario.fact(QStringLiteral("message")));
    }
    EXPECT_TRUE(shown.contains(scenario.fact(QStringLiteral("message-part"))))
        << shown.toStdString();
    const QStringList checked = scenario.fact(QStringLiteral("checked")).split(u' ');
    ASSERT_EQ(checked.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(ftpControl<QListWidget>(form, "Quelle")->item(i)->text(), names[i]);
        EXPECT_EQ(ftpControl<QListWidget>(form, "Quelle")->item(i)->checkState(),
                  checked[i] == QLatin1String("1") ? Qt::Checked : Qt::Unchecked)
            << i;
    }
    EXPECT_EQ(ftpControl<QPushButton>(form, "btUpload")->text(), QStringLiteral("Start upload"));
    const bool connected = scenario.fact(QStringLiteral("connected")) != QLatin1String("no");
    EXPECT_EQ(form.ftp().connected(), connected);
    if (!connected) {
        EXPECT_EQ(statusPanel(form, 0)->text(), QStringLiteral("Offline"));
        EXPECT_FALSE(ftpControl<QPushButton>(form, "btUpload")->isEnabled());
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, FtpFormScenario, ::testing::ValuesIn(FakeFtpScenario::names()),
                         [](const auto& info) {
                             return QString(info.param).replace(u'-', u'_').toStdString();
                         });
