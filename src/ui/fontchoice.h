// What a font dialog hands back when the user kept the family it opened with.
#pragma once

#include <QFont>

class QDialog;
class QFontDialog;

// A font dialog shows a family that is not installed (Tahoma, Arial: the start fonts) as
// the family the system substitutes, in its regular style, and hands that back on OK.
// OK with no change gives `initial` itself; a change of style or size alone keeps the
// family of `initial`. `shownAtOpen` is the dialog's current font right after it was
// opened on `initial`.
QFont keepUnchosenFamily(const QFont& initial, const QFont& shownAtOpen, QFont chosen);

// Escape or Return inside a font dialog that is embedded as a widget would close only the
// embedded dialog and leave its window empty: they close `window` instead.
void closeWindowWithEmbeddedDialog(QFontDialog* embedded, QDialog* window);
