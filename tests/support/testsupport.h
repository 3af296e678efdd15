// Helpers every test program shares: files read and written whole, and short text literals.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A literal as a QString: s(u"Größe").
QString s(const char16_t* text);

// The whole file, or "<unreadable>" when it cannot be opened, so a missing file never
// compares equal to an empty one.
QByteArray readBytes(const QString& path);

// Writes `bytes` as the whole file, creating its folder; a failure fails the test (with the
// path) and returns false.
bool writeBytes(const QString& path, const QByteArray& bytes);

// The names in `folder`, hidden ones included, without "." and "..".
QStringList folderEntries(const QString& folder);

// The files below `folder` (sub-folders included, hidden ones not), relative to it, sorted.
QStringList filesBelow(const QString& folder);

// The CRC-32 of `data` as PNG and ZIP files use it.
quint32 crc32(const QByteArray& data);

// A TCP port on 127.0.0.1 that was free a moment ago, for a server started by a test.
quint16 freePort();

// Waits up to 15 s until a server accepts connections on 127.0.0.1:`port`.
bool waitForPort(quint16 port);

// A test in a fresh temporary folder: `root` is its path with a trailing slash.
class TempFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_tmp.isValid());
        root = m_tmp.path() + u'/';
    }

    QString root;

private:
    QTemporaryDir m_tmp;
};

// Writes a stand-in for xdg-open into `folder` (put it first on PATH): it appends what it is
// asked to open to `folder`/opened.txt and ends with `exitCode` (3 is xdg-open's "no method
// available", as on a system without a browser). Returns `folder`.
QString writeFakeOpener(const QString& folder, int exitCode);
