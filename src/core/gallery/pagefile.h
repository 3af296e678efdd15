// Writing the gallery's text files: Windows-1252, every line ending in CR LF, through a
// temporary file renamed into place so no file is ever half-written under its final name.
// A symbolic link standing at the name is replaced by the file, never written through.
#pragma once

#include <QByteArray>
#include <QString>

// A page: characters outside Windows-1252 become numeric character references; with `utf8`
// (pages for phones and HiDPI screens, which declare it) the page is written in UTF-8.
void writePageFile(const QString& path, const QString& text, bool utf8 = false);
// Another text file (font.css, autorun.inf): characters outside Windows-1252 become "?"; with
// `utf8` (the style sheet of UTF-8 pages) the text is written in UTF-8.
void writeTextFile(const QString& path, const QString& text, bool utf8 = false);
// The bytes as they are. All three throw LumiError naming the file and the reason.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// True for the names of pages (.htm, .html, case ignored): they carry the generator comment
// line, which changes with every run (the upload record leaves it out).
bool isPageName(const QString& name);
