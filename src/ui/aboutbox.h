// The about box: program name, running version and the vendor's contact links.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TAboutBox : public QDialog
{
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QLabel* nameLabel() const { return m_programName; }
    QLabel* versionLabel() const { return m_version; }
    QLabel* linksLabel() const { return m_links; }
    QPushButton* okButton() const { return m_okButton; }

public Q_SLOTS:
    // Opens a contact link with the desktop.
    void linkClicked(const QString& address);

private:
    QLabel* m_programName;
    QLabel* m_version;
    QLabel* m_links;
    QPushButton* m_okButton;
};
