// Expansion of files in the LZ ("SZDD") compressed format that copyFileTo unpacks.
#pragma once

#include <QByteArray>

class QIODevice;

inline constexpr int kSzddHeaderSize = 14;

// True when `head` starts with the SZDD signature and compression mode "A".
bool isSzddHeader(const QByteArray& head);
// Reads an SZDD file from `in` (positioned at its start) and writes the expanded bytes to
// `out`. False on a damaged file or a write error.
bool expandSzdd(QIODevice& in, QIODevice& out);
