// The about box's controls; the version and addresses come from the utility library.
#include "ui/aboutbox.h"

#include "util/version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Room for the title bar's caption and buttons beside the program name.
constexpr int kMinimumWidth = 320;

QString linkLine(const QString& caption, const QString& address)
{
    return u"<a href=\""_s + address.toHtmlEscaped() + u"\">"_s + caption.toHtmlEscaped() +
           u"</a>"_s;
}

} // namespace

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent), m_programName(new QLabel(u"Lumivista"_s, this)), m_version(new QLabel(this)),
      m_links(new QLabel(this)), m_okButton(new QPushButton(u"OK"_s, this))
{
    setObjectName(u"AboutBox"_s);
    setWindowTitle(u"Info"_s);
    setModal(true);

    m_programName->setObjectName(u"ProductName"_s);
    QFont big = m_programName->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    m_programName->setFont(big);
    m_programName->setAlignment(Qt::AlignCenter);

    m_version->setObjectName(u"Version"_s);
    m_version->setTextFormat(Qt::PlainText);
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setText(u"Version "_s + programVersion());

    m_links->setObjectName(u"Links"_s);
    m_links->setTextFormat(Qt::RichText);
    m_links->setAlignment(Qt::AlignCenter);
    m_links->setOpenExternalLinks(false);
    m_links->setText(linkLine(u"Homepage"_s, homePageUrl()) + u"<br>"_s +
                     linkLine(u"Support"_s, supportUrl()) + u"<br>"_s +
                     linkLine(u"Online-Shop"_s, shopUrl()));
    connect(m_links, &QLabel::linkActivated, this, &TAboutBox::linkClicked);

    m_okButton->setObjectName(u"OKButton"_s);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_programName);
    layout->addWidget(m_version);
    layout->addSpacing(8);
    layout->addWidget(m_links);
    layout->addSpacing(8);
    layout->addWidget(m_okButton, 0, Qt::AlignCenter);
    // Never smaller than its texts; wide enough that the title bar shows its caption.
    setMinimumWidth(std::max(kMinimumWidth, fontMetrics().horizontalAdvance(windowTitle()) * 3));
}

void TAboutBox::linkClicked(const QString& address)
{
    openWithShell(address, QString());
}
