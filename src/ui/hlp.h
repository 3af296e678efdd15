// The help window: shows one topic of the help markup in a read-only rich-text area,
// stays on top of the other windows and prints its text.
#pragma once

#include "help/helpboard.h"

#include <QDialog>

class QPrinter;
class QPushButton;
class QStatusBar;
class QTextEdit;

class Thlp : public QDialog
{
    Q_OBJECT

public:
    explicit Thlp(QWidget* parent = nullptr);

    // Renders the topic `key` of `lines` (every line for an empty key) and shows the
    // window, not modal.
    void insert(const QStringList& lines, const QString& key);
    void add(const QString& text) { m_writer.add(text); }
    void style(HelpStyle one) { m_writer.style(one); }
    void style(HelpStyles set) { m_writer.style(set); }
    void color(int colorValue) { m_writer.color(colorValue); }
    void size(int points) { m_writer.size(points); }
    using QDialog::size; // the window's own size() stays reachable
    void clear() { m_writer.clear(); }

    // The print job's name: "Help " and the application object's name (usually empty).
    static QString printJobName();
    // Prints the whole text on `printer`; false when the printer cannot print.
    bool printTo(QPrinter& printer);

    QTextEdit* board() const { return m_board; }
    QPushButton* okButton() const { return m_btOk; }
    QPushButton* printButton() const { return m_button1; }
    const HelpBoard& writer() const { return m_writer; }

public Q_SLOTS:
    void btOkClick();
    // Prints on the default printer; without one the user gets an error message.
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // On every showing: the caret to the start of the text, the focus on "OK".
    void FormShow();

    QTextEdit* m_board;
    QWidget* m_panel1;
    QPushButton* m_btOk;
    QPushButton* m_button1;
    QStatusBar* m_statusBar1;
    HelpBoard m_writer;
    // Beside the main window where the screen has room, else centred on the screen.
    void placeBesideParent();
    bool m_placed = false;
};
