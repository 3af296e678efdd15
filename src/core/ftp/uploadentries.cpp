// A plain list of upload entries.
#include "ftp/uploadentries.h"

UploadEntryList::UploadEntryList(const QStringList& entries)
    : m_entries(entries), m_checked(entries.size(), true)
{
}

void UploadEntryList::uncheck(int index)
{
    setChecked(index, false);
}

void UploadEntryList::setChecked(int index, bool checked)
{
    if (index >= 0 && index < m_checked.size())
        m_checked[index] = checked;
}
