// The update window's controls; the check itself runs in the core.
#include "ui/updateform.h"

#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int kMargin = 8;
constexpr int kButtonWidth = 185;
constexpr int kRowHeight = 25;
constexpr int kRowStep = 32;
constexpr int kInfoLeft = kMargin + kButtonWidth + 8;
constexpr int kInfoWidth = 240;
// The found-version panel has room for two lines: a long version text wraps.
constexpr int kPanelHeight = 44;
constexpr int kClientHeight = kMargin + 4 * kRowStep + kPanelHeight + kMargin;

} // namespace

TUpdateForm::TUpdateForm(QWidget* parent, UpdateSource source)
    : QDialog(parent), m_check(std::move(source)),
      m_button1(new QPushButton(u"auf neue Version prüfen..."_s, this)),
      m_btDownload(new QPushButton(u"neuste Version downloaden..."_s, this)),
      m_btHomepage(new QPushButton(u"Homepage..."_s, this)),
      m_btClose(new QPushButton(u"Schliessen"_s, this)), m_pNeu(new QLabel(this)),
      m_lInfo(new QLabel(this))
{
    setObjectName(u"UpdateForm"_s);
    setWindowTitle(u"Update"_s + u" - "_s + m_check.source().section);

    m_button1->setObjectName(u"Button1"_s);
    m_btDownload->setObjectName(u"btDownload"_s);
    m_btHomepage->setObjectName(u"btHomepage"_s);
    m_btClose->setObjectName(u"btClose"_s);
    m_button1->setGeometry(kMargin, kMargin, kButtonWidth, kRowHeight);
    m_btDownload->setGeometry(kMargin, kMargin + kRowStep, kButtonWidth, kRowHeight);
    m_btHomepage->setGeometry(kMargin, kMargin + 2 * kRowStep, kButtonWidth, kRowHeight);
    m_btClose->setGeometry(kMargin, kMargin + 3 * kRowStep, kButtonWidth, kRowHeight);
    m_btDownload->hide();

    // Texts from the downloaded list are shown as plain text: markup in them is not
    // the vendor's layout but whatever the list happens to hold.
    m_pNeu->setObjectName(u"pNeu"_s);
    m_pNeu->setTextFormat(Qt::PlainText);
    m_pNeu->setAlignment(Qt::AlignCenter);
    m_pNeu->setAutoFillBackground(true);
    QPalette yellow = m_pNeu->palette();
    yellow.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0x00));
    yellow.setColor(QPalette::WindowText, Qt::black);
    m_pNeu->setPalette(yellow);
    QFont bold = m_pNeu->font();
    bold.setBold(true);
    m_pNeu->setFont(bold);
    m_pNeu->setWordWrap(true);
    m_pNeu->setGeometry(kMargin, kMargin + 4 * kRowStep, kButtonWidth, kPanelHeight);
    m_pNeu->hide();

    m_lInfo->setObjectName(u"lInfo"_s);
    m_lInfo->setTextFormat(Qt::PlainText);
    m_lInfo->setWordWrap(true);
    m_lInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lInfo->setAutoFillBackground(true);
    QPalette light = m_lInfo->palette();
    light.setColor(QPalette::Window, QColor(0xFF, 0xFF, 0xF0));
    light.setColor(QPalette::WindowText, Qt::black);
    m_lInfo->setPalette(light);
    m_lInfo->setMargin(4);
    m_lInfo->setGeometry(kInfoLeft, kMargin, kInfoWidth, kClientHeight - 2 * kMargin);

    connect(m_button1, &QPushButton::clicked, this, &TUpdateForm::Button1Click);
    connect(m_btDownload, &QPushButton::clicked, this, &TUpdateForm::btDownloadClick);
    connect(m_btHomepage, &QPushButton::clicked, this, &TUpdateForm::btHomepageClick);
    connect(m_btClose, &QPushButton::clicked, this, &QDialog::accept);

    setFixedHeight(kClientHeight);
    applyInfoWidth();
}

void TUpdateForm::Button1Click()
{
    // The fetch runs its own event loop; the buttons stay off so that a second click
    // cannot start a check inside the running one.
    const QList<QPushButton*> buttons = {m_button1, m_btDownload, m_btHomepage, m_btClose};
    for (QPushButton* button : buttons)
        button->setEnabled(false);
    const UpdateCheck::Outcome outcome = m_check.fetch();
    for (QPushButton* button : buttons)
        button->setEnabled(true);
    if (outcome == UpdateCheck::Outcome::Declined || outcome == UpdateCheck::Outcome::FetchFailed)
        return;
    // Line breaks of the list arrive as "\r\n"; a label breaks at "\n" alone.
    QString info = m_check.infoText();
    info.replace(u"\r\n"_s, u"\n"_s);
    m_lInfo->setText(info);
    applyInfoWidth();
    m_btDownload->setVisible(m_check.isDownloadVisible());
    m_check.report();
    m_pNeu->setText(m_check.foundVersionText());
    m_pNeu->show();
}

void TUpdateForm::btDownloadClick()
{
    m_check.openDownload();
}

void TUpdateForm::btHomepageClick()
{
    openHomePage();
}

void TUpdateForm::showEvent(QShowEvent* event)
{
    applyInfoWidth();
    QDialog::showEvent(event);
}

void TUpdateForm::applyInfoWidth()
{
    const QRect info = m_lInfo->geometry();
    setFixedWidth(updateWindowWidth(info.left(), info.width(), m_lInfo->text()));
}
