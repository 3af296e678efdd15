// Qt's own texts (standard dialogs and buttons, context menus of text fields) in German, as
// the rest of the program speaks.
#pragma once

class QCoreApplication;

// Loads Qt's German translations once and installs them; false when they are not
// installed (the dialogs then speak English).
bool installQtGerman(QCoreApplication& app);
