// Qt message boxes for the dialog service: captions, icons and "&Ja" / "&Nein" buttons.
#include "ui/qtdialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {

const char* const kResultProperty = "lumivistaResult";

QMessageBox::Icon iconOf(DialogType type)
{
    // In the order of DialogType: warning, error, information, confirmation, custom.
    static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                                   QMessageBox::Information, QMessageBox::Question,
                                                   QMessageBox::NoIcon};
    return kIcons[static_cast<int>(type)];
}

void addButton(QMessageBox* box, const QString& caption, QMessageBox::ButtonRole role,
               DialogResult result)
{
    QPushButton* button = box->addButton(caption, role);
    button->setProperty(kResultProperty, static_cast<int>(result));
}

} // namespace

QString QtDialogs::caption(DialogType type)
{
    switch (type) {
    case DialogType::Warning:
        return u"Warnung"_s;
    case DialogType::Error:
        return u"Fehler"_s;
    case DialogType::Information:
        return u"Informationen"_s;
    case DialogType::Confirmation:
        return u"Bestätigen"_s;
    case DialogType::Custom:
        break;
    }
    const QString title = QGuiApplication::applicationDisplayName();
    return title.isEmpty() ? u"Lumivista"_s : title;
}

QMessageBox* QtDialogs::createBox(const QString& text, DialogType type, DialogButtons buttons)
{
    auto* box = new QMessageBox(QApplication::activeWindow());
    box->setWindowTitle(caption(type));
    box->setIcon(iconOf(type));
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    switch (buttons) {
    case DialogButtons::Ok:
        addButton(box, u"OK"_s, QMessageBox::AcceptRole, DialogResult::Ok);
        break;
    case DialogButtons::YesNo:
        addButton(box, u"&Ja"_s, QMessageBox::YesRole, DialogResult::Yes);
        addButton(box, u"&Nein"_s, QMessageBox::NoRole, DialogResult::No);
        break;
    case DialogButtons::YesNoCancel:
        addButton(box, u"&Ja"_s, QMessageBox::YesRole, DialogResult::Yes);
        addButton(box, u"&Nein"_s, QMessageBox::NoRole, DialogResult::No);
        addButton(box, u"Abbrechen"_s, QMessageBox::RejectRole, DialogResult::Cancel);
        break;
    }
    // The first button is the default: "OK", or "&Ja" for a question.
    const QList<QAbstractButton*> all = box->buttons();
    for (QAbstractButton* b : all) {
        if (b->property(kResultProperty).toInt() == static_cast<int>(DialogResult::Ok) ||
            b->property(kResultProperty).toInt() == static_cast<int>(DialogResult::Yes))
            box->setDefaultButton(qobject_cast<QPushButton*>(b));
    }
    return box;
}

DialogResult QtDialogs::resultOf(const QMessageBox& box, DialogButtons buttons)
{
    if (const QAbstractButton* clicked = box.clickedButton())
        return static_cast<DialogResult>(clicked->property(kResultProperty).toInt());
    switch (buttons) {
    case DialogButtons::Ok:
        return DialogResult::Ok;
    case DialogButtons::YesNo:
        return DialogResult::No;
    case DialogButtons::YesNoCancel:
        break;
    }
    return DialogResult::Cancel;
}

DialogResult QtDialogs::show(const QString& text, DialogType type, DialogButtons buttons)
{
    QMessageBox* box = createBox(text, type, buttons);
    box->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        box->move(area.center() - box->rect().center());
    }
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    box->exec();
    QGuiApplication::restoreOverrideCursor();
    const DialogResult result = resultOf(*box, buttons);
    delete box;
    return result;
}
