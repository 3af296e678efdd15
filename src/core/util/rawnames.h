// Names as the system hands them over, as bytes: a file name read from a folder or an
// argument of the command line may hold bytes that are not valid in the system's encoding.
#pragma once

#include <QByteArray>
#include <QString>

// True when `name` is valid in the system's encoding: it decodes into text that encodes back
// to the same bytes.
bool isDecodableName(const QByteArray& name);
// The name as text with every byte that is not part of a valid character written as "\xFF".
QString escapedRawName(const QByteArray& name);
