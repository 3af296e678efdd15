// Message dialogs: the kind letters, the "/n" rule and the service switch.
#include "util/dialogs.h"

#include <QTextStream>
#include <atomic>

namespace {

class ConsoleDialogs : public DialogService
{
public:
    DialogResult show(const QString& text, DialogType, DialogButtons buttons) override
    {
        QTextStream err(stderr);
        err << text << Qt::endl;
        return buttons == DialogButtons::Ok ? DialogResult::Ok : DialogResult::No;
    }
};

ConsoleDialogs g_console;
std::atomic<DialogService*> g_service{nullptr};

} // namespace

DialogService& dialogService()
{
    DialogService* service = g_service.load();
    return service ? *service : g_console;
}

DialogService* setDialogService(DialogService* service)
{
    return g_service.exchange(service);
}

DialogResult messageDialog(const QString& text, DialogType type, DialogButtons buttons)
{
    QString shown = text;
    shown.replace(QStringLiteral("/n"), QStringLiteral("\r\n"));
    return dialogService().show(shown, type, buttons);
}

bool showMessage(const QString& text, const QString& kind)
{
    if (kind == QLatin1String("c") || kind == QLatin1String("?") || kind == QLatin1String("q"))
        return messageDialog(text, DialogType::Confirmation, DialogButtons::YesNo) ==
               DialogResult::Yes;
    DialogType type = DialogType::Information;
    if (kind == QLatin1String("w"))
        type = DialogType::Warning;
    else if (kind == QLatin1String("e"))
        type = DialogType::Error;
    else if (kind.isEmpty())
        type = DialogType::Custom;
    messageDialog(text, type, DialogButtons::Ok);
    return false;
}

void showError(const QString& text)
{
    messageDialog(text, DialogType::Error, DialogButtons::Ok);
}

bool askYesNo(const QString& text)
{
    return messageDialog(text, DialogType::Confirmation, DialogButtons::YesNo) == DialogResult::Yes;
}

DialogResult askYesNoCancel(const QString& text)
{
    return messageDialog(text, DialogType::Confirmation, DialogButtons::YesNoCancel);
}

DialogResult ScriptedDialogs::show(const QString& text, DialogType type, DialogButtons buttons)
{
    DialogResult answer = DialogResult::Ok;
    if (buttons != DialogButtons::Ok)
        answer = m_answers.isEmpty() ? m_fallback : m_answers.takeFirst();
    m_entries.append({text, type, buttons, answer});
    return answer;
}

QStringList ScriptedDialogs::texts() const
{
    QStringList result;
    for (const Entry& e : m_entries)
        result.append(e.text);
    return result;
}
