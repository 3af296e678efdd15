// Helpers every test program shares, and the gtest printers for Qt values.
#include "testsupport.h"
#include "qtprinters.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>

namespace {

// `bytes` quoted, with quotes, backslashes and control bytes escaped. UTF-8 stays as it is.
void printQuoted(const QByteArray& bytes, std::ostream* out)
{
    *out << '"';
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            *out << "\\\"";
            break;
        case '\\':
            *out << "\\\\";
            break;
        case '\r':
            *out << "\\r";
            break;
        case '\n':
            *out << "\\n";
            break;
        case '\t':
            *out << "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                *out << escaped;
            } else {
                *out << ch;
            }
        }
    }
    *out << '"';
}

} // namespace

void PrintTo(const QString& text, std::ostream* out)
{
    printQuoted(text.toUtf8(), out);
}

void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < list.size(); ++i) {
        *out << (i ? ", " : "");
        PrintTo(list[i], out);
    }
    *out << '}';
}

void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    printQuoted(bytes, out);
}

QString s(const char16_t* text)
{
    return QString::fromUtf16(text);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(bytes) == bytes.size() && file.flush();
    if (!written)
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return written;
}

QString writeFakeOpener(const QString& folder, int exitCode)
{
    const QString script = folder + QStringLiteral("/xdg-open");
    writeBytes(script,
               "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/opened.txt\"\nexit " +
                   QByteArray::number(exitCode) + "\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    return folder;
}

QStringList folderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

QStringList filesBelow(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        names.append(QDir(folder).relativeFilePath(it.next()));
    names.sort();
    return names;
}

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xffffffffu;
    for (const char ch : data) {
        crc ^= uchar(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool waitForPort(quint16 port)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 15000) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, port);
        if (socket.waitForConnected(200))
            return true;
        QThread::msleep(20);
    }
    return false;
}
