// Text and list helpers: tokens, replacing, searching, comma lists, list reordering.
#include "util/textutil.h"

#include <QStringListModel>
#include <limits>

QString nextToken(QString& text, const QString& separator)
{
    if (text.isEmpty())
        return {};
    const QString sep = separator.isEmpty() ? detectSeparator(text) : separator;
    const qsizetype p = text.indexOf(sep, 0, Qt::CaseSensitive);
    if (p < 0) {
        QString token = text;
        text.clear();
        return token;
    }
    QString token = text.left(p);
    text.remove(0, p + sep.size());
    return token;
}

QString tokenAt(const QString& text, const QString& separator, int n)
{
    const QString sep = separator.isEmpty() ? detectSeparator(text) : separator;
    QString rest = text;
    QString result;
    for (int i = 0; i < n; ++i) {
        result = nextToken(rest, sep);
        if (rest.isEmpty() && result.isEmpty())
            break;
    }
    return result;
}

QString detectSeparator(const QString& text)
{
    // Later candidates outrank earlier ones.
    static const QString candidates[] = {QStringLiteral(","), QStringLiteral("<br>"),
                                         QStringLiteral("|"), QStringLiteral(";"),
                                         QStringLiteral("\t")};
    QString found = QStringLiteral("\t");
    for (const QString& candidate : candidates) {
        if (text.contains(candidate))
            found = candidate;
    }
    return found;
}

QString replaceAll(const QString& text, const QString& oldPart, const QString& newPart,
                   bool ignoreCase)
{
    QString result = text;
    replaceAllIn(result, oldPart, newPart, ignoreCase);
    return result;
}

void replaceAllIn(QString& text, const QString& oldPart, const QString& newPart, bool ignoreCase)
{
    // QString::replace would insert the new part between all characters for an empty old part.
    if (oldPart.isEmpty())
        return;
    text.replace(oldPart, newPart, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

bool inList(const QString& word, const QString& list, bool ignoreCase)
{
    const QString comma = QStringLiteral(",");
    return (comma + list + comma)
        .contains(comma + word + comma, ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive);
}

// Case is ignored character by character (Unicode case folding), so positions stay those of
// the original text even where lower-casing would change a text's length.
int lastPos(const QString& part, const QString& text)
{
    if (part.isEmpty())
        return 0;
    const qsizetype p = text.lastIndexOf(part, -1, Qt::CaseInsensitive);
    return p < 0 ? 0 : int(p + 1);
}

int posFrom(const QString& part, const QString& text, int offset)
{
    if (part.isEmpty())
        return 0;
    const qsizetype start = offset > 0 ? offset : 0;
    if (start >= text.size())
        return 0;
    const qsizetype p = text.indexOf(part, start, Qt::CaseInsensitive);
    return p < 0 ? 0 : int(p + 1);
}

QString intStr(qint64 value)
{
    return QString::number(value);
}

namespace {

// Index of the entry under the drop point, or the count when it is below the last entry.
int dropTarget(int dropIndex, int count)
{
    return (dropIndex < 0 || dropIndex > count) ? count : dropIndex;
}

} // namespace

int moveDraggedItem(QStringList& list, int selected, int dropIndex)
{
    const int count = int(list.size());
    if (selected < 0 || selected >= count)
        return -1;
    const int target = dropTarget(dropIndex, count);
    // Dropped on itself or on the next entry: inserting before that entry changes nothing.
    if (target == selected || target == selected + 1)
        return -1;
    list.insert(target, list.at(selected));
    if (selected < target) {
        list.removeAt(selected);
        return target - 1;
    }
    list.removeAt(selected + 1);
    return target;
}

int moveDraggedItem(QStringListModel& model, int selected, int dropIndex)
{
    const int count = model.rowCount();
    if (selected < 0 || selected >= count)
        return -1;
    const int target = dropTarget(dropIndex, count);
    if (target == selected || target == selected + 1)
        return -1;
    const QString text = model.data(model.index(selected), Qt::DisplayRole).toString();
    model.insertRows(target, 1);
    model.setData(model.index(target), text);
    if (selected < target) {
        model.removeRows(selected, 1);
        return target - 1;
    }
    model.removeRows(selected + 1, 1);
    return target;
}

qint64 leadingInt(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    quint64 value = 0;
    constexpr quint64 kLimit = quint64(std::numeric_limits<qint64>::max());
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        const quint64 digit = quint64(text.at(i).unicode() - u'0');
        if (value > (kLimit - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return negative ? -qint64(value) : qint64(value);
}

int TextToInt(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once past the int range, so a line of a
    // million digits neither overflows nor takes long.
    constexpr qint64 kLimit = qint64(std::numeric_limits<int>::max()) + 1;
    qint64 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            break;
        if (value <= kLimit)
            value = value * 10 + (c - u'0');
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return int(value);
}
