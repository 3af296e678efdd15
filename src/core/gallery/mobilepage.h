// Pages for phones and HiDPI screens: the built-in templates, the head every such page gets
// (also from a user's template), the keyboard and swipe script of picture pages and the
// style-sheet rules that let tables and pictures shrink to the screen's width.
#pragma once

#include <QString>
#include <QStringList>

// The built-in templates of such pages, one text line per entry.
QStringList mobileIndexTemplate();
QStringList mobilePictureTemplate();

// Makes a page text an HTML5 page in UTF-8 that fits the screen: "<!DOCTYPE html>" first,
// lang="de" on the html element when it names no language, a charset declaration of UTF-8
// (replacing any other) and a viewport when the page has none.
// An empty title element gets `fallbackTitle` (HTML5 wants a title).
void prepareMobilePage(QString& page, const QString& fallbackTitle = {});
// Puts the navigation script before "</body" (at the end when there is none).
void addNavigationScript(QString& page);
// The script: the arrow keys and a horizontal swipe follow the links marked
// data-nav="prev" / "next", Escape the one marked "index".
QString navigationScript();

// The rules after the classic ones in font.css; `rahmen` is the border width of the index
// table and the large picture.
QStringList mobileStyleLines(int rahmen);
