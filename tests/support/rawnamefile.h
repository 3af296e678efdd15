// A file whose name is given as raw bytes, such as "b\xFF.jpg", which is not valid in the
// system's encoding: Qt cannot create, see or remove it, so the file is made and removed
// through the system calls. Removed when the object goes.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <unistd.h>

class RawNameFile
{
public:
    // `folder` as text, `name` as raw bytes.
    RawNameFile(const QString& folder, const QByteArray& name)
        : m_path(QFile::encodeName(folder) + '/' + name)
    {
        const int fd = ::creat(m_path.constData(), 0644);
        m_created = fd >= 0;
        if (m_created)
            ::close(fd);
    }
    ~RawNameFile()
    {
        if (m_created)
            ::unlink(m_path.constData());
    }
    RawNameFile(const RawNameFile&) = delete;
    RawNameFile& operator=(const RawNameFile&) = delete;

    bool created() const { return m_created; }

private:
    QByteArray m_path;
    bool m_created = false;
};
