// The JPEG optimiser opened from the main window: with the selected gallery picture or
// with the project's logo file.
#include "ui/mainform.h"

#include "ui_mainform.h"

#include "gallery/naming.h"
#include "ui/jpgopti.h"

#include <QStringListModel>

void TMainForm::setOptimiser(TJPGOpti* optimiser)
{
    m_optimiser = optimiser;
    ui->Button1->setEnabled(optimiser != nullptr);
    ui->Button4->setEnabled(optimiser != nullptr);
    if (!optimiser)
        return;
    connect(ui->Button1, &QPushButton::clicked, this, &TMainForm::Button1Click,
            Qt::UniqueConnection);
    connect(ui->Button4, &QPushButton::clicked, this, &TMainForm::Button4Click,
            Qt::UniqueConnection);
}

void TMainForm::Button1Click()
{
    if (!m_optimiser)
        return;
    const int row = selectedRow();
    const QString path =
        row < 0 ? QString() : entryPath(m_filesModel->index(row).data().toString());
    m_optimiser->exec(path);
}

void TMainForm::Button4Click()
{
    if (m_optimiser)
        m_optimiser->exec(ui->eWZImage->text());
}
