// Picture tags and text escaping for pages for phones and HiDPI screens.
#include "gallery/htmltags.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

QString escapeHtml(const QString& plain)
{
    QString text;
    text.reserve(plain.size());
    for (const QChar c : plain) {
        switch (c.unicode()) {
        case u'&':
            text += QStringLiteral("&amp;");
            break;
        case u'<':
            text += QStringLiteral("&lt;");
            break;
        case u'>':
            text += QStringLiteral("&gt;");
            break;
        case u'"':
            text += QStringLiteral("&quot;");
            break;
        default:
            text += c;
        }
    }
    return text;
}

QString escapeStrayLessThan(const QString& html)
{
    static const QRegularExpression stray(QStringLiteral("<(?![A-Za-z/!])"));
    QString text = html;
    return text.replace(stray, QStringLiteral("&lt;"));
}

QString altText(const QString& captionHtml, const QString& fileName)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString caption = captionHtml;
    // A caption is HTML: a line break reads as a blank, tags are dropped, entities stay.
    caption.replace(
        QRegularExpression(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption),
        QStringLiteral(" "));
    caption.remove(tag);
    caption.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "), Qt::CaseInsensitive);
    caption = caption.simplified();
    if (!caption.isEmpty()) {
        caption.replace(QChar(u'"'), QStringLiteral("&quot;"));
        caption.replace(QChar(u'<'), QStringLiteral("&lt;"));
        caption.replace(QChar(u'>'), QStringLiteral("&gt;"));
        return caption;
    }
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QChar(u'.'));
    return escapeHtml(dot > 0 ? name.left(dot) : name);
}

QString imgTag(const ImgTag& tag)
{
    QString html = QStringLiteral("<img src=\"") + tag.src + QChar(u'"');
    if (!tag.srcset.isEmpty())
        html += QStringLiteral(" srcset=\"") + tag.srcset + QChar(u'"');
    if (tag.size.isValid())
        html += QStringLiteral(" width=\"%1\" height=\"%2\"")
                    .arg(tag.size.width())
                    .arg(tag.size.height());
    if (!tag.cssClass.isEmpty())
        html += QStringLiteral(" class=\"") + tag.cssClass + QChar(u'"');
    html += QStringLiteral(" alt=\"") + tag.alt + QChar(u'"');
    if (tag.lazy)
        html += QStringLiteral(" loading=\"lazy\"");
    return html + QChar(u'>');
}

QSize pictureFileSize(const QString& path)
{
    QImageReader reader(path);
    // The size the page shows is the size of the pixels as stored: the gallery's files are
    // written upright.
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    return size.isValid() && !size.isEmpty() ? size : QSize();
}
