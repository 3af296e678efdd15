// Message dialogs through one replaceable service: the desktop installs Qt message
// boxes, the command line answers from its flags, tests script the answers.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <type_traits>

enum class DialogType
{
    Warning,
    Error,
    Information,
    Confirmation,
    Custom
};
enum class DialogButtons
{
    Ok,
    YesNo,
    YesNoCancel
};
enum class DialogResult
{
    Ok,
    Yes,
    No,
    Cancel
};

class DialogService
{
public:
    virtual ~DialogService() = default;
    // Shows one modal message; `text` already has "/n" turned into line breaks.
    virtual DialogResult show(const QString& text, DialogType type, DialogButtons buttons) = 0;
};

// The installed service; never null (a default answers Ok/No and writes to stderr).
DialogService& dialogService();
// Installs `service` (not owned); nullptr restores the default. Returns the previous one.
DialogService* setDialogService(DialogService* service);

class LumiError;

// The text of a message. In the program's own text "/n" stands for a line break; the
// values put into it (paths, names, server replies, numbers) are never broken, so
// "/home/nina" stays whole:
//   showError(u"Datei fehlt!"_s);                          // own text only
//   showError({u"Der Ordner (%1) fehlt!/nBitte prüfen."_s, folder});
//   showError(error);                                      // a LumiError, shown as it is
// A value is never glued onto the own text with "+": it would be taken for own text.
class MessageText
{
public:
    // The program's own text: every "/n" becomes a line break.
    MessageText(const QString& own);
    // The program's own text with %1..%9: the "/n" rule turns the own text into lines
    // first, then each %N is replaced by the N-th value, unchanged.
    template <typename First, typename... Rest>
    MessageText(const QString& own, const First& first, const Rest&... rest)
        : MessageText(own, QStringList{messageValue(first), messageValue(rest)...})
    {
    }
    // A text composed elsewhere (an error's message, a server's reply), shown as it is.
    static MessageText verbatim(const QString& text);

    // The text as the dialog shows it.
    const QString& shown() const { return m_shown; }

private:
    MessageText(const QString& own, const QStringList& values);
    MessageText() = default;

    template <typename T> static QString messageValue(const T& value)
    {
        if constexpr (std::is_arithmetic_v<T>)
            return QString::number(value);
        else
            return QString(value);
    }

    QString m_shown;
};

// Shows the dialog through the installed service.
DialogResult messageDialog(const MessageText& text, DialogType type, DialogButtons buttons);
// Kind letters: "i" information, "w" warning, "e" error, "c"/"?"/"q" Yes/No question,
// empty custom; any other kind information. True only for a question answered Yes.
bool showMessage(const MessageText& text, const QString& kind = QStringLiteral("i"));
void showError(const MessageText& text);
// The error's message as it is: it carries paths and server replies. (A template, so that
// a braced own text with values never looks like the arguments of a LumiError.)
namespace detail {
void showErrorMessage(const LumiError& error);
}
template <typename E>
requires std::is_base_of_v<LumiError, E>
void showError(const E& error)
{
    detail::showErrorMessage(error);
}
bool askYesNo(const MessageText& text);
// The Yes/No/Cancel question of the close query.
DialogResult askYesNoCancel(const MessageText& text);

// A service for tests and scripts: records every message, answers questions from a queue.
class ScriptedDialogs : public DialogService
{
public:
    struct Entry
    {
        QString text;
        DialogType type;
        DialogButtons buttons;
        DialogResult answer;
    };

    // Answers given, in order, to questions (YesNo / YesNoCancel). When the queue is
    // empty the fallback answer is used.
    void queue(DialogResult answer) { m_answers.append(answer); }
    void setFallback(DialogResult answer) { m_fallback = answer; }

    DialogResult show(const QString& text, DialogType type, DialogButtons buttons) override;

    const QList<Entry>& entries() const { return m_entries; }
    QStringList texts() const;
    void clear() { m_entries.clear(); }

private:
    QList<Entry> m_entries;
    QList<DialogResult> m_answers;
    DialogResult m_fallback = DialogResult::No;
};

// Installs a service for the lifetime of the guard (tests, the command line).
class DialogServiceGuard
{
public:
    explicit DialogServiceGuard(DialogService* service) : m_previous(setDialogService(service)) {}
    ~DialogServiceGuard() { setDialogService(m_previous); }
    DialogServiceGuard(const DialogServiceGuard&) = delete;
    DialogServiceGuard& operator=(const DialogServiceGuard&) = delete;

private:
    DialogService* m_previous;
};
