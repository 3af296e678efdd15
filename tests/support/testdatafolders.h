// The program's document and data folders pointed into a test's own folder.
#pragma once

#include "util/paths.h"

#include <QString>

// While it lives, the document and data folders are `doc` and `data`; the folders in use
// before come back at its end.
class TestDataFolders
{
public:
    TestDataFolders(const QString& doc, const QString& data) : m_saved(pathContext())
    {
        setDataFoldersForTest(doc, data);
    }
    ~TestDataFolders() { setPathContext(m_saved); }
    TestDataFolders(const TestDataFolders&) = delete;
    TestDataFolders& operator=(const TestDataFolders&) = delete;

private:
    PathContext m_saved;
};
