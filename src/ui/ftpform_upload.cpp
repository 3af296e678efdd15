// The FTP window's gallery upload: the start/stop button driving the core's upload loop,
// the file count and byte progress, single uploads with log lines, and files dropped
// from the desktop onto the remote panel.
#include "ui/ftpform.h"

#include "ftp/uploadrecord.h"
#include "gallery/pagefile.h"
#include "net/ftpaddress.h"
#include "util/dialogs.h"
#include "util/error.h"
#include "util/programsettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>

namespace {

// The local list widget as the upload loop sees it.
class QuelleEntries : public UploadEntries
{
public:
    explicit QuelleEntries(QListWidget* list) : m_list(list) {}
    int count() const override { return m_list->count(); }
    QString entry(int index) const override { return m_list->item(index)->text(); }
    bool isChecked(int index) const override
    {
        return m_list->item(index)->checkState() == Qt::Checked;
    }
    void uncheck(int index) override { m_list->item(index)->setCheckState(Qt::Unchecked); }
    void select(int index) override { m_list->setCurrentRow(index); }

private:
    QListWidget* m_list;
};

} // namespace

void TFTPForm::setUpUpload()
{
    m_uploadEntries = std::make_unique<QuelleEntries>(m_quelle);
    makeUpload();

    m_edTransfers->setRange(1, GalleryUpload::kMaxConnections);
    m_edTransfers->setValue(readProgramSetting(kFtpTransfers));
    m_edTransfers->setToolTip(
        QStringLiteral("Files sent at once, each on a connection of its own"));
    connect(m_edTransfers, &QSpinBox::valueChanged, this, [this](int value) {
        try {
            writeProgramSetting(kFtpTransfers, value);
        } catch (const LumiError& e) {
            Log(e.message(), kBlack);
        }
    });
    connect(m_btUpload, &QPushButton::clicked, this, &TFTPForm::btUploadClick);
    for (RemoteClient* client :
         {static_cast<RemoteClient*>(&m_ftp), static_cast<RemoteClient*>(&m_sftp)}) {
        connect(client, &RemoteClient::workBegin, this, &TFTPForm::FTPWorkBegin);
        connect(client, &RemoteClient::work, this, &TFTPForm::FTPWork);
    }

    // The remote panel takes files dragged from the desktop.
    m_remotePanel->setAcceptDrops(true);
    m_remotePanel->installEventFilter(this);
}

void TFTPForm::makeUpload()
{
    m_upload = std::make_unique<GalleryUpload>(client(), *m_uploadEntries);
    m_upload->onProgress = [this](const UploadProgress& progress) {
        const QString line = uploadLogLine(progress);
        if (!line.isEmpty())
            Log(line, GalleryUpload::kLogColor);
        if (progress.step == UploadProgress::Step::FileStored && m_uploadRecord)
            m_uploadRecord->fileStored(progress.entry);
        if (progress.step == UploadProgress::Step::Started ||
            progress.step == UploadProgress::Step::FileStored)
            showFileCount(progress.file, progress.count);
    };
    // Between two files: repaint, see a press on "Stop upload", let keep-alive ticks run.
    m_upload->onIdle = [] { QApplication::processEvents(); };
    m_upload->onNotice = [this](const QString& text) {
        m_panels[2]->setText(text);
        Log(text, kBlack);
    };
    m_upload->onStateChanged = [this](GalleryUpload::State state) {
        if (state == GalleryUpload::State::Running)
            m_btUpload->setText(QStringLiteral("Stop upload"));
        else if (state == GalleryUpload::State::Idle)
            m_btUpload->setText(QStringLiteral("Start upload"));
        m_edTransfers->setEnabled(state == GalleryUpload::State::Idle);
        SetControls();
    };
}

void TFTPForm::btUploadClick()
{
    if (!client().connected() || m_quelle->count() == 0)
        return;
    // A second press while files are sent (between two files) only asks for the stop.
    if (m_upload->state() == GalleryUpload::State::Running)
        m_upload->requestStop();
    if (m_upload->state() != GalleryUpload::State::Idle)
        return;

    QString base;
    try {
        base = m_upload->readBaseFolder();
    } catch (const LumiError& e) {
        showError(e);
        return;
    }
    const QString shownAddress =
        withoutAddressPassword(m_edFtpServer->currentText(), m_edFtpUser->text()).address;
    if (!askYesNo(MessageText::verbatim(uploadQuestion(shownAddress, base))))
        return;

    // What is stored goes into the record of this server, user and folder.
    m_uploadRecord =
        std::make_unique<UploadRecordKeeper>(UploadRecordKey::of(client(), base), *m_uploadEntries,
                                             m_quellPath, uploadRecordFolder(), isPageName);
    m_upload->setConnections(m_edTransfers->value());
    m_upload->run(m_quellPath);
    showFileCount(0, 0);
    QString error = m_upload->errorMessage();
    if (!m_uploadRecord->finish()) // reported, but the upload itself went as it went
        error +=
            (error.isEmpty() ? QString() : QStringLiteral("\n")) + m_uploadRecord->errorMessage();
    m_uploadRecord.reset();
    if (client().connected()) {
        try {
            RefreshList();
        } catch (const LumiError& e) {
            if (error.isEmpty())
                error = e.message();
        }
    }
    if (!error.isEmpty())
        showError(MessageText::verbatim(error));
}

bool TFTPForm::Upload(const QString& Datei, const QString& Name)
{
    Q_UNUSED(Name) // the remote name is always the file's own name
    if (!client().connected())
        return false;
    const QString name = QFileInfo(Datei).fileName();
    using Step = UploadProgress::Step;
    Log(uploadLogLine({Step::FileBegins, 1, 1, name, 0}), kBlue);
    client().store(Datei, name);
    Log(uploadLogLine({Step::FileStored, 1, 1, name, 0}), kBlue);
    return true;
}

void TFTPForm::remoteFilesDropped(const QStringList& paths)
{
    if (paths.isEmpty() || m_upload->state() != GalleryUpload::State::Idle)
        return;
    const QString path = paths.first();
    if (!QFileInfo(path).isFile())
        return;
    try {
        if (Upload(path, QString()))
            RefreshList();
    } catch (const LumiError& e) {
        showError(e);
    }
}

bool TFTPForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_remotePanel) {
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            if (drag->mimeData()->hasUrls())
                drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            QStringList paths;
            for (const QUrl& url : drop->mimeData()->urls()) {
                if (url.isLocalFile())
                    paths.append(url.toLocalFile());
            }
            drop->acceptProposedAction();
            remoteFilesDropped(paths);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFTPForm::showFileCount(int stored, int total)
{
    // The files stored and their share of the whole upload: "104 / 121, 86 %".
    const QString count = total > 0 ? QStringLiteral("%1 / %2, %3 %")
                                          .arg(stored)
                                          .arg(total)
                                          .arg(qRound(100.0 * stored / total))
                                    : QString();
    // Under the progress bar between two files, on it while a file is sent (the bar fills
    // with the bytes of that file).
    m_panels[1]->setText(count);
    m_pbProgress->setFormat(count.isEmpty() ? QStringLiteral("%p%") : count);
}

void TFTPForm::FTPWorkBegin(qint64 expectedBytes)
{
    // QProgressBar counts in int: large files count in steps of several bytes.
    m_progressScale = 1;
    while (expectedBytes / m_progressScale > std::numeric_limits<int>::max())
        m_progressScale *= 1024;
    if (expectedBytes > 0)
        m_pbProgress->setRange(0, int(expectedBytes / m_progressScale));
    else
        m_pbProgress->setRange(0, 0); // unknown size: a busy bar
    m_pbProgress->setValue(0);
    m_pbProgress->show();
    m_expectedBytes = expectedBytes;
    Log(expectedBytes >= 0 ? QStringLiteral("Transfer of %1 bytes started").arg(expectedBytes)
                           : QStringLiteral("Transfer started"),
        kPurple);
}

void TFTPForm::FTPWork(qint64 bytesSoFar)
{
    const qint64 step = bytesSoFar / m_progressScale;
    if (m_pbProgress->maximum() > 0)
        m_pbProgress->setValue(int(qMin<qint64>(step, m_pbProgress->maximum())));
    Log(m_expectedBytes >= 0
            ? QStringLiteral("Transferred %1 of %2 bytes").arg(bytesSoFar).arg(m_expectedBytes)
            : QStringLiteral("Transferred %1 bytes").arg(bytesSoFar),
        kPurple);
    // No events are processed during a transfer; paint the bar directly.
    if (m_pbProgress->isVisible())
        m_pbProgress->repaint();
}
