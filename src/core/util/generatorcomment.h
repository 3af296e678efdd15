// The generator comment every page carries on a line of its own, right after "<html...>":
// kGeneratorCommentStart + version + "), " + date and time of the run + " - " + home page +
// kGeneratorCommentEnd. The pages write it; the upload record leaves that one line out when
// it compares pages, so a page that differs only in the time of the run counts as unchanged.
#pragma once

#include <QByteArrayView>

inline constexpr char kGeneratorCommentStart[] = "<!-- *** generated with Lumivista (";
inline constexpr char kGeneratorCommentEnd[] = " *** -->";

// True when `line` (with or without its CR LF) is a generator comment line.
inline bool isGeneratorCommentLine(QByteArrayView line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line.startsWith(QByteArrayView(kGeneratorCommentStart)) &&
           line.endsWith(QByteArrayView(kGeneratorCommentEnd)) &&
           line.size() >=
               qsizetype(sizeof kGeneratorCommentStart + sizeof kGeneratorCommentEnd - 2);
}
