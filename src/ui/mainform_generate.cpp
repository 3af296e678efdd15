// The settings pages' dialog buttons (logo, fonts, background colour, templates, target
// folder) and the generate button, which drives the same GalleryRun as the command line.
#include "ui/mainform.h"

#include "ui_mainform.h"

#include "util/dialogs.h"
#include "util/error.h"

#include <QApplication>
#include <QCloseEvent>

using namespace Qt::StringLiterals;

namespace {

const QString kTemplateFilter = u"*.htm|*.htm"_s;

} // namespace

void TMainForm::Button3Click()
{
    const QString chosen =
        choosers().openFile(this, u"Logo wählen"_s, ui->eWZImage->text(), kPictureFilter);
    if (!chosen.isEmpty())
        ui->eWZImage->setText(chosen);
}

void TMainForm::fontPanelClick(FontPanel* panel)
{
    const std::optional<FontSpec> chosen = choosers().chooseFont(this, panel->fontSpec());
    if (!chosen)
        return;
    // A font text cannot carry a comma in the name; the size stays readable.
    FontSpec font = *chosen;
    font.name = singleLine(font.name).remove(u',');
    font.size = qBound(1, font.size, kMaxFontPoints);
    panel->setFontSpec(font);
}

void TMainForm::eBGColorClick()
{
    const std::optional<int> chosen = choosers().chooseColor(this, ui->eBGColor->colorValue());
    if (chosen)
        ui->eBGColor->setColorValue(*chosen);
    fontPanelsTakeBackground();
}

void TMainForm::btVorIndexClick()
{
    const QString chosen =
        choosers().openFile(this, u"Index (htm)"_s, ui->edVorIndex->text(), kTemplateFilter);
    if (!chosen.isEmpty())
        ui->edVorIndex->setText(chosen);
}

void TMainForm::btVorBildClick()
{
    const QString chosen =
        choosers().openFile(this, u"Bild (htm)"_s, ui->edVorBild->text(), kTemplateFilter);
    if (!chosen.isEmpty())
        ui->edVorBild->setText(chosen);
}

void TMainForm::btZielClick()
{
    const QString chosen = choosers().existingFolder(this, u"Zielordner"_s, ui->edZiel->text());
    if (!chosen.isEmpty())
        ui->edZiel->setText(chosen);
}

void TMainForm::setGenerating(GalleryRun::Phase phase)
{
    const bool running = phase == GalleryRun::Running || phase == GalleryRun::CancelRequested;
    ui->btGen->setText(running ? u"Abbrechen"_s : u"Galerie &erstellen"_s);
    if (running && !m_busyCursor) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        m_busyCursor = true;
    } else if (!running && m_busyCursor) {
        QApplication::restoreOverrideCursor();
        m_busyCursor = false;
    }
}

void TMainForm::btGenClick()
{
    if (m_run) {
        m_run->requestCancel();
        return;
    }
    // The run works on a copy of the project as the controls hold it now; editing the
    // window during the run changes the next run, not this one.
    readControls();
    ProjectState snapshot = m_project;
    GalleryRunOptions options;
    options.deleteOldFiles = ui->edDelFile->isChecked();
    options.projectFile = m_projektDatei;
    GalleryRun run(snapshot, options);
    run.onProgress = [this](int percent) { ui->proz->setValue(percent); };
    // Pictures are made on worker threads; the window's events are handled here, which is
    // where a second press of the button arrives.
    run.onIdle = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); };
    run.onPhase = [this](GalleryRun::Phase phase) { setGenerating(phase); };
    run.onSettingChanged = [this, &snapshot](const QString& key) {
        m_project.applyValueText(key, snapshot.valueText(key));
        m_binding->load(m_project, key);
    };
    m_run = &run;
    try {
        run.run();
    } catch (const LumiError& e) {
        showError(e);
    } catch (const std::exception& e) {
        showError(MessageText::verbatim(QString::fromLocal8Bit(e.what())));
    }
    m_run = nullptr;
    setGenerating(GalleryRun::Idle);
}
