// The update window: runs the update check of the core and shows its result, the
// found version, the info text and the download button.
#pragma once

#include "update/updatecheck.h"

#include <QDialog>

class QLabel;
class QPushButton;

class TUpdateForm : public QDialog
{
    Q_OBJECT

public:
    explicit TUpdateForm(QWidget* parent = nullptr, UpdateSource source = UpdateSource::standard());

    const UpdateCheck& check() const { return m_check; }

    QPushButton* checkButton() const { return m_button1; }
    QPushButton* downloadButton() const { return m_btDownload; }
    QPushButton* homepageButton() const { return m_btHomepage; }
    QPushButton* closeButton() const { return m_btClose; }
    QLabel* newVersionPanel() const { return m_pNeu; }
    QLabel* infoLabel() const { return m_lInfo; }

public Q_SLOTS:
    void Button1Click();
    void btDownloadClick();
    void btHomepageClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The window's width follows the info text (see updateWindowWidth).
    void applyInfoWidth();

    UpdateCheck m_check;
    QPushButton* m_button1;
    QPushButton* m_btDownload;
    QPushButton* m_btHomepage;
    QPushButton* m_btClose;
    QLabel* m_pNeu;
    QLabel* m_lInfo;
};
