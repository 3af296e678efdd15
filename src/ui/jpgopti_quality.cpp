// The quality test of the optimiser window and saving as JPEG or GIF.
#include "ui/jpgopti.h"

#include "ui/jpgopti_widgets.h"
#include "util/dialogs.h"
#include "util/error.h"

#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

using namespace Qt::StringLiterals;

void TJPGOpti::btTestClick()
{
    const int quality = effectivePercent(bCompress->value());
    try {
        const QString jpegName = m_testFile.jpegName();
        btAnzClick(RefreshSource::Other);
        m_textLabel->hide();
        // The working picture at its full size: a target size counts only after "Ok".
        m_preview = m_working;
        m_state = PreviewState::Stale;
        SaveJpeg(m_preview, jpegName, quality);
        m_state = PreviewState::TestResult;
        // Shown as the decoder returns it, with its compression artefacts.
        Picture decoded;
        LoadPicture(decoded, jpegName);
        m_preview = decoded;
        {
            const QSignalBlocker blockWidth(bWidth);
            const QSignalBlocker blockHeight(bHeight);
            bWidth->setValue(decoded.width());
            bHeight->setValue(decoded.height());
        }
        m_panel->setFixedSize(decoded.width(), decoded.height());
        showPreview();
        m_state = PreviewState::Stale;
        m_testLine->setText(qualityTestText(quality, QFileInfo(jpegName).size()));
    } catch (const LumiError& error) {
        m_state = PreviewState::Stale;
        showError(error);
    }
}

void TJPGOpti::btSaveJpgClick()
{
    savePicture(kJpegFilter, u"jpg"_s, [this](const QString& path) {
        m_preview = m_working;
        m_state = PreviewState::Stale;
        showPreview();
        return SaveJpeg(m_preview, path, effectivePercent(bCompress->value()));
    });
}

void TJPGOpti::btSaveGifClick()
{
    // On the tab "Datei" the preview is the working picture or the decoded test JPEG.
    savePicture(kGifFilter, u"gif"_s,
                [this](const QString& path) { return SaveGif(m_preview, path); });
}

void TJPGOpti::savePicture(const QString& filter, const QString& suffix,
                           const std::function<bool(const QString&)>& save)
{
    const QString path =
        choosers().saveFile(this, u"Bild speichern"_s, m_saveFileName, filter, suffix);
    if (path.isEmpty()) {
        return;
    }
    m_saveFileName = path;
    try {
        if (save(path)) {
            showMessage(kSavedText);
        } else {
            showError(kNotSavedText);
        }
    } catch (const LumiError& error) {
        showError(error);
    }
}
