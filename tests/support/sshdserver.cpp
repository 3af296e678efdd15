#include "sshdserver.h"

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <unistd.h>

std::optional<QString> SshdServer::run(const QString& program, const QStringList& args,
                                       const QByteArray& input)
{
    QProcess process;
    process.start(program, args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

SshdServer::SshdServer() = default;

SshdServer::~SshdServer()
{
    stop();
    if (!m_user.isEmpty())
        run(QStringLiteral("userdel"), {m_user});
}

bool SshdServer::makeHostKey()
{
    const QString key = m_dir.filePath(QStringLiteral("hostkey"));
    QFile::remove(key);
    QFile::remove(key + QStringLiteral(".pub"));
    return run(QStringLiteral("ssh-keygen"),
               {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                QStringLiteral("-N"), QString(), QStringLiteral("-f"), key})
        .has_value();
}

bool SshdServer::start()
{
    if (geteuid() != 0) {
        m_reason = QStringLiteral("sshd needs root to log users in");
        return false;
    }
    if (!QFile::exists(QStringLiteral("/usr/sbin/sshd"))) {
        m_reason = QStringLiteral("/usr/sbin/sshd is missing (openssh-server)");
        return false;
    }
    // Privilege separation needs its empty folder.
    QDir().mkpath(QStringLiteral("/run/sshd"));
    const QString user = m_dir.filePath(QStringLiteral("userkey"));
    if (m_port == 0) {
        if (!makeHostKey() ||
            !run(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                  QStringLiteral("-N"), QString(), QStringLiteral("-f"), user}) ||
            !QFile::copy(user + QStringLiteral(".pub"),
                         m_dir.filePath(QStringLiteral("authorized_keys")))) {
            m_reason = QStringLiteral("ssh-keygen failed");
            return false;
        }
        m_port = freePort();
    }
    const QString config = m_dir.filePath(QStringLiteral("sshd_config"));
    writeBytes(config, QStringLiteral("ListenAddress 127.0.0.1\n"
                                      "Port %1\n"
                                      "HostKey %2/hostkey\n"
                                      "PidFile none\n"
                                      "UsePAM no\n"
                                      "StrictModes no\n"
                                      "AuthorizedKeysFile %2/authorized_keys\n"
                                      "PasswordAuthentication yes\n"
                                      "KbdInteractiveAuthentication no\n"
                                      "PermitRootLogin prohibit-password\n"
                                      "Subsystem sftp internal-sftp\n"
                                      "LogLevel ERROR\n")
                           .arg(m_port)
                           .arg(m_dir.path())
                           .toUtf8());
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/sbin/sshd"),
                    {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"), config});
    if (!m_process.waitForStarted() || !waitForPort(m_port)) {
        m_reason = QStringLiteral("sshd did not start");
        stop();
        return false;
    }
    return true;
}

void SshdServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    cutSessions();
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

QString SshdServer::hostKeyFingerprint() const
{
    const QString line = run(QStringLiteral("ssh-keygen"),
                             {QStringLiteral("-lf"), m_dir.filePath(QStringLiteral("hostkey.pub"))})
                             .value_or(QString());
    return line.section(QLatin1Char(' '), 1, 1);
}

bool SshdServer::changeHostKey()
{
    stop();
    return makeHostKey() && start();
}

QString SshdServer::encryptedUserKey(const QString& passphrase)
{
    const QString copy = m_dir.filePath(QStringLiteral("userkey-locked"));
    QFile::remove(copy);
    if (!QFile::copy(userKey(), copy))
        return {};
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    run(QStringLiteral("ssh-keygen"),
        {QStringLiteral("-q"), QStringLiteral("-p"), QStringLiteral("-P"), QString(),
         QStringLiteral("-N"), passphrase, QStringLiteral("-f"), copy});
    return copy;
}

bool SshdServer::addUser(const QString& name, const QString& password)
{
    const QString home = m_dir.filePath(name);
    if (!run(QStringLiteral("useradd"), {QStringLiteral("-M"), QStringLiteral("-d"), home,
                                         QStringLiteral("-s"), QStringLiteral("/bin/sh"), name})) {
        m_reason = QStringLiteral("useradd failed");
        return false;
    }
    m_user = name;
    // The user reaches the home through the test's folder.
    QFile::setPermissions(m_dir.path(),
                          QFile::permissions(m_dir.path()) | QFile::ExeOther | QFile::ExeGroup);
    QDir().mkpath(home);
    run(QStringLiteral("chown"), {name, home});
    if (!run(QStringLiteral("chpasswd"), {}, (name + QLatin1Char(':') + password).toUtf8())) {
        m_reason = QStringLiteral("chpasswd failed");
        return false;
    }
    return true;
}

void SshdServer::cutSessions()
{
    // The listener's children serve the connections.
    const QString parent = QString::number(m_process.processId());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = readBytes(QStringLiteral("/proc/%1/stat").arg(pid));
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1] == parent.toLatin1())
            ::kill(pid_t(pid.toLongLong()), SIGKILL);
    }
}

SshAgent::SshAgent(const QString& folder)
{
    m_socket = QDir(folder).filePath(QStringLiteral("agent.sock"));
    const QString out = SshdServer::run(QStringLiteral("ssh-agent"),
                                        {QStringLiteral("-s"), QStringLiteral("-a"), m_socket})
                            .value_or(QString());
    const QRegularExpressionMatch pid =
        QRegularExpression(QStringLiteral("SSH_AGENT_PID=(\\d+)")).match(out);
    m_pid = pid.hasMatch() ? pid.captured(1).toLongLong() : 0;
}

SshAgent::~SshAgent()
{
    if (m_pid > 0)
        ::kill(pid_t(m_pid), SIGTERM);
}

bool SshAgent::add(const QString& keyFile)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SSH_AUTH_SOCK"), m_socket);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral("ssh-add"), {QStringLiteral("-q"), keyFile});
    return m_pid > 0 && process.waitForFinished(10000) && process.exitCode() == 0;
}
