// Font stacks for pages for phones and HiDPI screens: the face a project names, followed by
// faces of the same kind and the generic family, so a visitor without that face sees the
// kind of face the user chose.
#pragma once

#include <QString>

// The CSS font-family value for `face`: "Tahoma, Verdana, sans-serif",
// "\"Times New Roman\", Times, serif" ... Names with blanks are quoted.
QString fontStack(const QString& face);
