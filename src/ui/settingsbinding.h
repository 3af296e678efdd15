// Binds the controls of a window to the project settings by walking the settings table:
// a control is found by its objectName (the table's control name) and its kind follows the
// setting's type. No per-setting code: adding a setting is one row in the table.
#pragma once

#include "gallery/projectstate.h"
#include "gallery/settingstable.h"

#include <QList>
#include <QStringList>

class QWidget;

class SettingsBinding
{
public:
    // Finds the control of every setting below `root`, sets its range and choices from the
    // table and gives it the table's form value. Settings without a control of the right
    // kind (the FTP window's fields) are left to the project.
    explicit SettingsBinding(QWidget* root);
    // Binds the settings still without a control to the controls below another window
    // (the FTP window's fields); they take the table's form value too.
    void addRoot(QWidget* root);

    // Copies every bound control's value into `project`.
    void store(ProjectState& project) const;
    // Sets every bound control from `project`.
    void load(const ProjectState& project) const;
    // Sets one control from `project`; false when the key has no bound control.
    bool load(const ProjectState& project, const QString& key) const;

    // The control of `key` (any case), or nullptr.
    QWidget* control(const QString& key) const;
    // Keys of the table that have no control of the expected kind.
    const QStringList& unboundKeys() const { return m_unbound; }

    // The value text a control shows for its setting ("1", "80", "Tahoma,B,12,65535").
    static QString controlText(const SettingDef& def, const QWidget* control);
    // Gives a control the value text the way the project file is read (numbers clamped).
    static void setControlText(const SettingDef& def, QWidget* control, const QString& text);

private:
    void bind(QWidget* root);

    struct Bound
    {
        qsizetype row;
        QWidget* control;
    };

    QList<Bound> m_bound;
    QStringList m_unbound;
};
