// A scripted FTP server for tests: listens on 127.0.0.1, runs a test's script in its own
// thread (the client under test blocks the main thread) and records every command line.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

class QTcpServer;
class QTcpSocket;

// The server side of one control connection, used by a script.
class FakeFtpSession
{
public:
    FakeFtpSession(QTcpSocket* control, std::function<void(const QString&)> record);
    ~FakeFtpSession();

    void send(const QByteArray& raw);   // raw bytes, exactly as given
    void reply(const QByteArray& line); // one line, CR LF appended
    QString readCommand();              // the next command line (recorded)
    // Reads the next command and fails the script unless it equals `command`.
    void expect(const QString& command);
    void closeControl(); // drop the control connection
    static void pause(int milliseconds);

    // Passive data: listen on 127.0.0.1 and return the port; then accept.
    quint16 listenData();
    void acceptData();
    // Active data: connect to the address of a PORT or EPRT argument, from `from` when
    // given (another loopback address plays a stranger).
    void connectData(const QString& portArgument, const QString& from = QString());
    void sendData(const QByteArray& data);
    QByteArray receiveAllData(); // until the client closes the data connection
    void closeData();

private:
    QTcpSocket* m_control;
    std::function<void(const QString&)> m_record;
    std::unique_ptr<QTcpServer> m_dataServer;
    std::unique_ptr<QTcpSocket> m_data;
};

class FakeFtpServer
{
public:
    using Script = std::function<void(FakeFtpSession&)>;

    explicit FakeFtpServer(Script script);
    ~FakeFtpServer();

    quint16 port() const { return m_port; }
    // Waits for the script to end (at most 20 s) and returns what it received.
    QStringList transcript();
    // Empty when the script ran to its end; else what went wrong in it.
    QString failure();

private:
    void run(std::promise<quint16> ready);

    Script m_script;
    quint16 m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    QStringList m_transcript;
    QString m_failure;
    bool m_joined = false;
};

// The common start of a script: greeting, USER, PASS, SYST.
void fakeLogin(FakeFtpSession& s);
