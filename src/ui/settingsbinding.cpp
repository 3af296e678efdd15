// The table-driven control binding: check boxes, spin boxes, combo boxes, line edits and
// the font and colour panels, by objectName.
#include "ui/settingsbinding.h"

#include "ui/mainform_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

namespace {

// Line edits hold whole paths and texts; Qt's default limit of 32767 would cut them.
constexpr int kMaxTextLength = 1 << 20;

bool fits(const SettingDef& def, QWidget* widget)
{
    switch (def.type) {
    case SettingType::Bool:
        return qobject_cast<QCheckBox*>(widget) != nullptr;
    case SettingType::Int:
        return qobject_cast<QSpinBox*>(widget) != nullptr;
    case SettingType::Choice:
        return qobject_cast<QComboBox*>(widget) != nullptr;
    case SettingType::Colour:
        return qobject_cast<ColorPanel*>(widget) != nullptr;
    case SettingType::Font:
        return qobject_cast<FontPanel*>(widget) != nullptr;
    case SettingType::Text:
    case SettingType::Path:
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            return combo->isEditable();
        return qobject_cast<QLineEdit*>(widget) != nullptr;
    }
    return false;
}

void prepare(const SettingDef& def, QWidget* widget)
{
    if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        spin->setRange(def.minimum, def.maximum);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (combo->isEditable() && combo->lineEdit()) {
            combo->lineEdit()->setMaxLength(kMaxTextLength);
        } else if (combo->count() != def.choices.size()) {
            combo->clear();
            combo->addItems(def.choices);
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setMaxLength(kMaxTextLength);
    }
}

} // namespace

SettingsBinding::SettingsBinding(QWidget* root)
{
    for (const SettingDef& def : settingsTable())
        m_unbound.append(def.key);
    bind(root);
}

void SettingsBinding::addRoot(QWidget* root)
{
    bind(root);
}

void SettingsBinding::bind(QWidget* root)
{
    const QList<SettingDef>& table = settingsTable();
    for (qsizetype row = 0; row < table.size(); ++row) {
        const SettingDef& def = table.at(row);
        if (!m_unbound.contains(def.key))
            continue;
        auto* widget = root->findChild<QWidget*>(def.control);
        if (!widget || !fits(def, widget))
            continue;
        prepare(def, widget);
        setControlText(def, widget, def.form);
        m_bound.append({row, widget});
        m_unbound.removeOne(def.key);
    }
}

QString SettingsBinding::controlText(const SettingDef& def, const QWidget* control)
{
    if (auto* box = qobject_cast<const QCheckBox*>(control))
        return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    if (auto* spin = qobject_cast<const QSpinBox*>(control))
        return QString::number(spin->value());
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        if (combo->isEditable())
            return combo->currentText();
        return QString::number(qMax(0, combo->currentIndex()));
    }
    if (auto* colour = qobject_cast<const ColorPanel*>(control))
        return QString::number(colour->colorValue());
    if (auto* font = qobject_cast<const FontPanel*>(control))
        return FontToText(font->fontSpec());
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    Q_UNUSED(def);
    return {};
}

void SettingsBinding::setControlText(const SettingDef& def, QWidget* control, const QString& text)
{
    // The control shows what the project file would hold (numbers clamped, empty texts).
    if (auto* font = qobject_cast<FontPanel*>(control)) {
        font->setFontSpec(readSettingValue(def, text, font->fontSpec()).font);
        return;
    }
    const SettingValue value = readSettingValue(def, text);
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        box->setChecked(value.number != 0);
    } else if (auto* spin = qobject_cast<QSpinBox*>(control)) {
        spin->setValue(value.number);
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (combo->isEditable())
            combo->setEditText(value.text);
        else
            combo->setCurrentIndex(value.number);
    } else if (auto* colour = qobject_cast<ColorPanel*>(control)) {
        colour->setColorValue(value.number);
    } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(value.text);
    }
}

void SettingsBinding::store(ProjectState& project) const
{
    const QList<SettingDef>& table = settingsTable();
    for (const Bound& b : m_bound) {
        const SettingDef& def = table.at(b.row);
        if (def.type == SettingType::Font) {
            project.setFontValue(def.key, qobject_cast<FontPanel*>(b.control)->fontSpec());
            continue;
        }
        if (def.type == SettingType::Text || def.type == SettingType::Path) {
            project.setTextValue(def.key, controlText(def, b.control));
            continue;
        }
        project.setIntValue(def.key, TextToInt(controlText(def, b.control)));
    }
}

void SettingsBinding::load(const ProjectState& project) const
{
    const QList<SettingDef>& table = settingsTable();
    for (const Bound& b : m_bound)
        load(project, table.at(b.row).key);
}

bool SettingsBinding::load(const ProjectState& project, const QString& key) const
{
    const QList<SettingDef>& table = settingsTable();
    for (const Bound& b : m_bound) {
        const SettingDef& def = table.at(b.row);
        if (def.key.compare(key, Qt::CaseInsensitive) != 0)
            continue;
        if (auto* font = qobject_cast<FontPanel*>(b.control))
            font->setFontSpec(project.fontValue(def.key));
        else
            setControlText(def, b.control, project.valueText(def.key));
        return true;
    }
    return false;
}

QWidget* SettingsBinding::control(const QString& key) const
{
    const QList<SettingDef>& table = settingsTable();
    for (const Bound& b : m_bound) {
        if (table.at(b.row).key.compare(key, Qt::CaseInsensitive) == 0)
            return b.control;
    }
    return nullptr;
}
