// Text and list helpers shared by every subsystem: cutting separated tokens, replacing,
// searching and comma-list membership. Positions count from 1; 0 means "not found".
#pragma once

#include <QString>
#include <QStringList>

class QStringListModel;

// Cuts the token before the first `separator` (case-sensitive) out of `text` and returns it;
// `text` loses the token and the separator. An empty separator is detected with
// detectSeparator. An empty text yields an empty token and stays empty.
QString nextToken(QString& text, const QString& separator);
// The n-th token (from 1) of `text`; empty for n < 1 or past the last token.
QString tokenAt(const QString& text, const QString& separator, int n);
// The separator a text most likely uses: tab, then ";", "|", "<br>", ","; tab when none occurs.
QString detectSeparator(const QString& text);

// Replaces every non-overlapping occurrence, left to right. An empty old part changes nothing.
QString replaceAll(const QString& text, const QString& oldPart, const QString& newPart,
                   bool ignoreCase = false);
void replaceAllIn(QString& text, const QString& oldPart, const QString& newPart,
                  bool ignoreCase = false);

// True when "," + word + "," occurs in "," + list + ","; a word with commas matches a run of
// consecutive elements.
bool inList(const QString& word, const QString& list, bool ignoreCase = false);

// Position (from 1) of the last occurrence of `part` in `text`, case-insensitive; 0 if absent
// or when `part` is empty.
int lastPos(const QString& part, const QString& text);
// Position (from 1, in the whole text) of the first case-insensitive occurrence of `part`
// after the first `offset` characters; 0 if absent.
int posFrom(const QString& part, const QString& text, int offset);

// Decimal text of a number, "-" in front of negative ones.
QString intStr(qint64 value);

// Reorders a list by drag and drop inside the same list: the entry at `selected` is inserted
// before the entry at `dropIndex` (-1 or >= count: below the last entry), then removed from
// its old place. Returns the entry's new index, or -1 when nothing moved (no valid
// selection, or dropped on itself).
int moveDraggedItem(QStringList& list, int selected, int dropIndex);
// The same on a list model (the window's list); rows are inserted and removed, not reset,
// so views keep their state.
int moveDraggedItem(QStringListModel& model, int selected, int dropIndex);

// The integer formed by the leading decimal digits of `text` (leading blanks and one sign
// allowed); 0 when there are none or the number does not fit 64 bits.
qint64 leadingInt(const QString& text);

// The leading integer of `text` ("12px" reads 12, "-7" reads -7); optional blanks before
// the sign are skipped. No leading number reads 0. Saturates at the int range.
int TextToInt(const QString& text);
