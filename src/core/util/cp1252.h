// The 8-bit code page of written text files (pages, style sheet, autorun file, projects):
// Windows-1252, which browsers use for a declared iso-8859-1.
#pragma once

#include <QByteArray>
#include <QString>

// Characters outside the code page become "?". `lossless` (optional) tells whether all fit.
QByteArray toCp1252(const QString& text, bool* lossless = nullptr);
// Characters outside the code page become HTML numeric character references ("&#8364;" is
// not needed for the euro sign, which fits; "&#20013;" for a CJK character).
QByteArray toCp1252Html(const QString& text);
// Every byte maps to one character; the five bytes the code page leaves undefined map to
// the C1 control of the same value.
QString fromCp1252(const QByteArray& bytes);
// True when every character of `text` exists in the code page.
bool fitsCp1252(const QString& text);
