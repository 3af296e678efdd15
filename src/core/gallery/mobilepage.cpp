// Pages for phones and HiDPI screens: templates, head, script and style rules.
#include "gallery/mobilepage.h"

#include <QRegularExpression>

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

QStringList mobileTemplate(const QString& content)
{
    return {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>[Titel]</title>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<main>"),
        QStringLiteral("<h1>[Titel]</h1>"),
        content,
        QStringLiteral("<p>[navigation]</p>"),
        QStringLiteral("</main>"),
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
    };
}

QRegularExpression caseless(const QString& pattern)
{
    return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
}

} // namespace

QStringList mobileIndexTemplate()
{
    return mobileTemplate(QStringLiteral("[index]"));
}

QStringList mobilePictureTemplate()
{
    return mobileTemplate(QStringLiteral("<p>[bild]<br>[bezeichnung]</p>"));
}

void prepareMobilePage(QString& page, const QString& fallbackTitle)
{
    static const QRegularExpression emptyTitle =
        caseless(QStringLiteral("<title(\\s[^>]*)?>\\s*</title>"));
    static const QRegularExpression doctype = caseless(QStringLiteral("<!doctype[^>]*>\\s*"));
    static const QRegularExpression html = caseless(QStringLiteral("<html(\\s[^>]*)?>"));
    static const QRegularExpression lang = caseless(QStringLiteral("\\slang\\s*="));
    static const QRegularExpression charset = caseless(QStringLiteral(
        "<meta\\s[^>]*(charset|http-equiv\\s*=\\s*[\"']?content-type)[^>]*>[ \\t]*(\\r?\\n)?"));
    static const QRegularExpression head = caseless(QStringLiteral("<head(\\s[^>]*)?>"));
    static const QRegularExpression viewport =
        caseless(QStringLiteral("<meta\\s[^>]*name\\s*=\\s*[\"']?viewport"));

    if (!fallbackTitle.isEmpty())
        page.replace(emptyTitle,
                     QStringLiteral("<title>") + fallbackTitle + QStringLiteral("</title>"));
    page.remove(doctype);
    page.remove(charset);
    QRegularExpressionMatch match = html.match(page);
    if (match.hasMatch() && !lang.match(match.captured(0)).hasMatch())
        page.insert(match.capturedStart() + 5, QStringLiteral(" lang=\"de\""));

    QString meta = QStringLiteral("<meta charset=\"utf-8\">");
    if (!viewport.match(page).hasMatch())
        meta += kLineBreak +
                QStringLiteral(
                    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
    // The declaration belongs at the start of the head: a browser looks for it in the first
    // 1024 bytes.
    match = head.match(page);
    if (!match.hasMatch())
        match = html.match(page);
    const qsizetype at = match.hasMatch() ? match.capturedEnd() : 0;
    page.insert(at, at == 0 ? meta + kLineBreak : kLineBreak + meta);
    page.prepend(QStringLiteral("<!DOCTYPE html>") + kLineBreak);
}

QString navigationScript()
{
    // Kept under 1 KB and free of any library; the links work without it.
    return QStringLiteral(
        "<script>(function(){"
        "function go(n){var a=document.querySelector('a[data-nav=\"'+n+'\"]');"
        "if(a)location.href=a.href}"
        "document.addEventListener('keydown',function(e){"
        "if(e.altKey||e.ctrlKey||e.metaKey||e.shiftKey)return;"
        "var n={ArrowLeft:'prev',ArrowRight:'next',Escape:'index'}[e.key];"
        "if(n){e.preventDefault();go(n)}});"
        "var x=null,y=0;"
        "document.addEventListener('touchstart',function(e){"
        "if(e.touches.length==1){x=e.touches[0].clientX;y=e.touches[0].clientY}else x=null},"
        "{passive:true});"
        "document.addEventListener('touchend',function(e){"
        "if(x===null)return;var t=e.changedTouches[0],dx=t.clientX-x,dy=t.clientY-y;x=null;"
        "if(Math.abs(dx)>50&&Math.abs(dx)>2*Math.abs(dy))go(dx<0?'next':'prev')},"
        "{passive:true})})();</script>");
}

void addNavigationScript(QString& page)
{
    const qsizetype body = page.lastIndexOf(QStringLiteral("</body"), -1, Qt::CaseInsensitive);
    const QString script = navigationScript() + kLineBreak;
    if (body < 0)
        page += script;
    else
        page.insert(body, script);
}

QStringList mobileStyleLines(int rahmen)
{
    QStringList lines = {
        QStringLiteral("body  { overflow-wrap: anywhere }"),
        QStringLiteral("main  { text-align: center }"),
        QStringLiteral("img   { max-width: 100%; height: auto }"),
        QStringLiteral("table { max-width: 100% }"),
        QStringLiteral(".index { margin: 0 auto }"),
    };
    if (rahmen > 0) {
        const QString width = QString::number(rahmen) + QStringLiteral("px");
        lines << QStringLiteral(".index { border: ") + width + QStringLiteral(" outset }")
              << QStringLiteral(".index td { border: 1px inset }")
              << QStringLiteral(".bild { border: ") + width + QStringLiteral(" solid }");
    }
    return lines;
}
