// The desktop's message dialogs: Qt message boxes with the program's German captions and
// buttons, installed as the dialog service when the desktop program starts.
#pragma once

#include "util/dialogs.h"

#include <QString>

class QMessageBox;

class QtDialogs : public DialogService
{
public:
    // Shows a modal message box centred on the screen; the arrow cursor is shown while it
    // is open, also during a run that set the busy cursor.
    DialogResult show(const QString& text, DialogType type, DialogButtons buttons) override;

    // The caption of a dialog type: "Warnung", "Fehler", "Informationen", "Bestätigen", the
    // application title for the custom type.
    static QString caption(DialogType type);
    // Builds the box without showing it (the caller owns it); tests inspect it.
    static QMessageBox* createBox(const QString& text, DialogType type, DialogButtons buttons);
    // The answer a closed box stands for; closing without a button press gives No (or
    // Cancel for the Yes/No/Cancel question, Ok for a message).
    static DialogResult resultOf(const QMessageBox& box, DialogButtons buttons);
};
