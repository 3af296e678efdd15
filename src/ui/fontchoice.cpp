#include "ui/fontchoice.h"

#include <QFontDialog>

QFont keepUnchosenFamily(const QFont& initial, const QFont& shownAtOpen, QFont chosen)
{
    if (chosen == shownAtOpen)
        return initial; // nothing changed: family, style and size as they were
    if (chosen.family() == shownAtOpen.family())
        chosen.setFamily(initial.family());
    return chosen;
}

void closeWindowWithEmbeddedDialog(QFontDialog* embedded, QDialog* window)
{
    QObject::connect(embedded, &QDialog::accepted, window, &QDialog::accept);
    QObject::connect(embedded, &QDialog::rejected, window, &QDialog::reject);
}
