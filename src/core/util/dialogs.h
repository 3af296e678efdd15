// Message dialogs through one replaceable service: the desktop installs Qt message
// boxes, the command line answers from its flags, tests script the answers.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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

// Replaces "/n" by a line break and shows the dialog through the installed service.
DialogResult messageDialog(const QString& text, DialogType type, DialogButtons buttons);
// Kind letters: "i" information, "w" warning, "e" error, "c"/"?"/"q" Yes/No question,
// empty custom; any other kind information. True only for a question answered Yes.
bool showMessage(const QString& text, const QString& kind = QStringLiteral("i"));
void showError(const QString& text);
bool askYesNo(const QString& text);
// The Yes/No/Cancel question of the close query.
DialogResult askYesNoCancel(const QString& text);

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
