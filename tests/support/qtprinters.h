// How GoogleTest shows Qt values in failure messages: texts as quoted text with control
// characters escaped, byte arrays as quoted bytes, text lists in full. Every test source
// gets this header first (a forced include), so all of them print a QString the same way.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <ostream>

void PrintTo(const QString& text, std::ostream* out);
void PrintTo(const QStringList& list, std::ostream* out);
void PrintTo(const QByteArray& bytes, std::ostream* out);

// A core test program that links Qt Widgets means core code has come to need widgets.
#if defined(LUMIVISTA_CORE_TEST) && defined(QT_WIDGETS_LIB)
#error "core test programs link no Qt Widgets: a core library has started to need them"
#endif
