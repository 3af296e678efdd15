// The help window's controls and handlers; the markup itself is rendered by the core.
#include "ui/hlp.h"

#include "util/dialogs.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// 12648447 in the blue-green-red layout: C0FFFF, a pale yellow.
constexpr int kBoardColor = 12648447;
constexpr int kClientWidth = 357;
constexpr int kClientHeight = 255;

} // namespace

Thlp::Thlp(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_board(new QTextEdit(this)),
      m_panel1(new QWidget(this)), m_btOk(new QPushButton(u"OK"_s, m_panel1)),
      m_button1(new QPushButton(u"Drucken"_s, m_panel1)), m_statusBar1(new QStatusBar(this)),
      m_writer(m_board->document())
{
    setObjectName(u"hlp"_s);
    setWindowTitle(u"Help"_s);
    setSizeGripEnabled(false);

    m_board->setObjectName(u"board"_s);
    m_board->setReadOnly(true);
    m_board->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = m_board->palette();
    palette.setColor(QPalette::Base, helpColor(kBoardColor));
    palette.setColor(QPalette::Text, Qt::black);
    m_board->setPalette(palette);
    QFont baseFont(u"MS Sans Serif"_s);
    baseFont.setPointSize(8);
    m_board->document()->setDefaultFont(baseFont);

    m_panel1->setObjectName(u"Panel1"_s);
    m_btOk->setObjectName(u"btOk"_s);
    m_btOk->setDefault(true);
    m_button1->setObjectName(u"Button1"_s);
    auto* panelLayout = new QHBoxLayout(m_panel1);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    panelLayout->addWidget(m_btOk);
    panelLayout->addWidget(m_button1);
    panelLayout->addStretch();

    m_statusBar1->setObjectName(u"StatusBar1"_s);
    m_statusBar1->addWidget(new QLabel(m_statusBar1), 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_board, 1);
    layout->addWidget(m_panel1);
    layout->addWidget(m_statusBar1);
    resize(kClientWidth, kClientHeight);

    // "OK" is also the cancel button: QDialog's Escape key calls reject().
    connect(m_btOk, &QPushButton::clicked, this, &Thlp::btOkClick);
    connect(m_button1, &QPushButton::clicked, this, &Thlp::Button1Click);
}

void Thlp::insert(const QStringList& lines, const QString& key)
{
    m_writer.insert(lines, key);
    show();
    // The help takes the keyboard: Escape or Return closes it at once.
    raise();
    activateWindow();
    FormShow();
}

QString Thlp::printJobName()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return u"Help "_s + (app ? app->objectName() : QString());
}

bool Thlp::printTo(QPrinter& printer)
{
    if (!printer.isValid())
        return false;
    printer.setDocName(printJobName());
    m_board->print(&printer);
    return true;
}

void Thlp::btOkClick()
{
    close();
}

void Thlp::Button1Click()
{
    if (QPrinterInfo::defaultPrinter().isNull()) {
        showError(u"Es ist kein Standarddrucker eingerichtet."_s);
        return;
    }
    QPrinter printer(QPrinterInfo::defaultPrinter());
    if (!printTo(printer))
        showError(u"Der Drucker kann nicht drucken."_s);
}

void Thlp::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Placed once; afterwards the window keeps what the user made of it.
    if (!m_placed) {
        m_placed = true;
        placeBesideParent();
    }
    FormShow();
}

void Thlp::placeBesideParent()
{
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QRect frame = frameGeometry();
    // Beside the main window where there is room, so the help never covers the "?" that
    // opened it; centred on the screen where there is none.
    frame.moveCenter(available.center());
    if (const QWidget* owner = parentWidget(); owner && owner->isVisible()) {
        const QRect ownerFrame = owner->frameGeometry();
        const int top = std::clamp(ownerFrame.top(), available.top(),
                                   std::max(available.top(), available.bottom() - frame.height()));
        if (ownerFrame.right() + frame.width() < available.right())
            frame.moveTopLeft({ownerFrame.right() + 1, top});
        else if (ownerFrame.left() - frame.width() >= available.left())
            frame.moveTopRight({ownerFrame.left() - 1, top});
    }
    move(frame.topLeft());
}

void Thlp::FormShow()
{
    QTextCursor cursor = m_board->textCursor();
    cursor.movePosition(QTextCursor::Start);
    m_board->setTextCursor(cursor);
    m_btOk->setFocus();
}
