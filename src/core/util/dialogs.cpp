// Message dialogs: the kind letters, the "/n" rule and the service switch.
#include "util/dialogs.h"

#include "util/error.h"

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

MessageText::MessageText(const QString& own) : MessageText(own, QStringList())
{
}

MessageText::MessageText(const QString& own, const QStringList& values)
{
    // One pass over the own text: a value is copied as it is and never read again, so
    // neither "/n" nor "%2" inside a value is replaced.
    m_shown.reserve(own.size());
    for (qsizetype i = 0; i < own.size(); ++i) {
        const QChar c = own.at(i);
        const QChar next = i + 1 < own.size() ? own.at(i + 1) : QChar();
        if (c == u'/' && next == u'n') {
            m_shown += QStringLiteral("\r\n");
            ++i;
        } else if (c == u'%' && next >= u'1' && next <= u'9' &&
                   next.unicode() - u'1' < values.size()) {
            m_shown += values.at(next.unicode() - u'1');
            ++i;
        } else {
            m_shown += c;
        }
    }
}

MessageText MessageText::verbatim(const QString& text)
{
    MessageText result;
    result.m_shown = text;
    return result;
}

DialogResult messageDialog(const MessageText& text, DialogType type, DialogButtons buttons)
{
    return dialogService().show(text.shown(), type, buttons);
}

bool showMessage(const MessageText& text, const QString& kind)
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

void showError(const MessageText& text)
{
    messageDialog(text, DialogType::Error, DialogButtons::Ok);
}

void detail::showErrorMessage(const LumiError& error)
{
    showError(MessageText::verbatim(error.message()));
}

bool askYesNo(const MessageText& text)
{
    return messageDialog(text, DialogType::Confirmation, DialogButtons::YesNo) == DialogResult::Yes;
}

DialogResult askYesNoCancel(const MessageText& text)
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
