// The local list of an upload: its entries and their check marks.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The local list as the upload sees it: paths relative to the source folder, with check
// marks. The window adapts its list widget; the command line uses UploadEntryList.
class UploadEntries
{
public:
    virtual ~UploadEntries() = default;
    virtual int count() const = 0;
    virtual QString entry(int index) const = 0;
    virtual bool isChecked(int index) const = 0;
    virtual void uncheck(int index) = 0;
    // Shows which file is being sent (the window selects the row).
    virtual void select(int /*index*/) {}
};

// A plain list of entries, all checked at first.
class UploadEntryList : public UploadEntries
{
public:
    explicit UploadEntryList(const QStringList& entries = {});
    int count() const override { return int(m_entries.size()); }
    QString entry(int index) const override { return m_entries.value(index); }
    bool isChecked(int index) const override { return m_checked.value(index); }
    void uncheck(int index) override;
    void setChecked(int index, bool checked);
    const QStringList& entries() const { return m_entries; }

private:
    QStringList m_entries;
    QList<bool> m_checked;
};
