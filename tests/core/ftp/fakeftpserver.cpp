// The scripted FTP server of the client tests.
#include "fakeftpserver.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <stdexcept>

namespace {
constexpr int kWait = 10000; // no step of a script waits longer
}

FakeFtpSession::FakeFtpSession(QTcpSocket* control, std::function<void(const QString&)> record)
    : m_control(control), m_record(std::move(record))
{
}

FakeFtpSession::~FakeFtpSession() = default;

void FakeFtpSession::send(const QByteArray& raw)
{
    m_control->write(raw);
    m_control->waitForBytesWritten(kWait);
}

void FakeFtpSession::reply(const QByteArray& line)
{
    send(line + "\r\n");
}

QString FakeFtpSession::readCommand()
{
    while (!m_control->canReadLine()) {
        if (!m_control->waitForReadyRead(kWait))
            throw std::runtime_error("no command from the client");
    }
    QString line = QString::fromUtf8(m_control->readLine());
    if (!line.endsWith(QLatin1String("\r\n")))
        throw std::runtime_error("command without CR LF");
    line.chop(2);
    m_record(line);
    return line;
}

void FakeFtpSession::expect(const QString& command)
{
    const QString got = readCommand();
    if (got != command)
        throw std::runtime_error("expected '" + command.toStdString() + "', got '" +
                                 got.toStdString() + "'");
}

void FakeFtpSession::closeControl()
{
    closeData();
    m_control->disconnectFromHost();
    if (m_control->state() == QAbstractSocket::ClosingState)
        m_control->waitForDisconnected(kWait);
}

void FakeFtpSession::pause(int milliseconds)
{
    QThread::msleep(milliseconds);
}

quint16 FakeFtpSession::listenData()
{
    m_dataServer = std::make_unique<QTcpServer>();
    if (!m_dataServer->listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("cannot listen for data");
    return m_dataServer->serverPort();
}

void FakeFtpSession::acceptData()
{
    if (!m_dataServer->hasPendingConnections() && !m_dataServer->waitForNewConnection(kWait))
        throw std::runtime_error("no data connection from the client");
    m_data.reset(m_dataServer->nextPendingConnection());
    m_data->setParent(nullptr);
}

void FakeFtpSession::connectData(const QString& portArgument, const QString& from)
{
    QString host;
    quint16 port = 0;
    if (portArgument.startsWith(QLatin1Char('|'))) { // EPRT |1|127.0.0.1|port|
        const QStringList parts = portArgument.split(QLatin1Char('|'));
        host = parts.value(2);
        port = quint16(parts.value(3).toUInt());
    } else { // PORT h1,h2,h3,h4,p1,p2
        const QStringList parts = portArgument.split(QLatin1Char(','));
        if (parts.size() != 6)
            throw std::runtime_error("bad PORT argument");
        host = parts.mid(0, 4).join(QLatin1Char('.'));
        port = quint16(parts[4].toUInt() * 256 + parts[5].toUInt());
    }
    m_data = std::make_unique<QTcpSocket>();
    if (!from.isEmpty() && !m_data->bind(QHostAddress(from)))
        throw std::runtime_error("cannot bind to the stranger's address");
    m_data->connectToHost(QHostAddress(host), port);
    if (!m_data->waitForConnected(kWait))
        throw std::runtime_error("cannot connect to the client's data port");
}

void FakeFtpSession::sendData(const QByteArray& data)
{
    m_data->write(data);
    while (m_data->bytesToWrite() > 0) {
        if (!m_data->waitForBytesWritten(kWait))
            throw std::runtime_error("cannot send data");
    }
}

QByteArray FakeFtpSession::receiveAllData()
{
    QByteArray all;
    for (;;) {
        all += m_data->readAll();
        if (m_data->state() != QAbstractSocket::ConnectedState)
            break;
        if (!m_data->waitForReadyRead(kWait) && m_data->state() == QAbstractSocket::ConnectedState)
            throw std::runtime_error("data connection stalled");
    }
    all += m_data->readAll();
    return all;
}

void FakeFtpSession::closeData()
{
    if (m_data) {
        m_data->disconnectFromHost();
        if (m_data->state() == QAbstractSocket::ClosingState)
            m_data->waitForDisconnected(kWait);
        m_data.reset();
    }
    m_dataServer.reset();
}

FakeFtpServer::FakeFtpServer(Script script) : m_script(std::move(script))
{
    std::promise<quint16> ready;
    std::future<quint16> port = ready.get_future();
    m_thread = std::thread(&FakeFtpServer::run, this, std::move(ready));
    m_port = port.get();
}

FakeFtpServer::~FakeFtpServer()
{
    if (!m_joined)
        m_thread.join();
}

void FakeFtpServer::run(std::promise<quint16> ready)
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        ready.set_value(0);
        return;
    }
    ready.set_value(server.serverPort());
    try {
        if (!server.waitForNewConnection(kWait))
            throw std::runtime_error("the client did not connect");
        std::unique_ptr<QTcpSocket> control(server.nextPendingConnection());
        control->setParent(nullptr);
        FakeFtpSession session(control.get(), [this](const QString& line) {
            std::lock_guard lock(m_mutex);
            m_transcript.append(line);
        });
        m_script(session);
        // Let the client read the last reply before the connection goes away.
        if (control->state() == QAbstractSocket::ConnectedState)
            control->waitForDisconnected(200);
    } catch (const std::exception& e) {
        std::lock_guard lock(m_mutex);
        m_failure = QString::fromUtf8(e.what());
    }
}

QStringList FakeFtpServer::transcript()
{
    if (!m_joined) {
        m_thread.join();
        m_joined = true;
    }
    std::lock_guard lock(m_mutex);
    return m_transcript;
}

QString FakeFtpServer::failure()
{
    transcript();
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void fakeLogin(FakeFtpSession& s)
{
    s.reply("220 Fake FTP ready");
    s.expect(QStringLiteral("USER joe"));
    s.reply("331 Password please");
    s.expect(QStringLiteral("PASS secret"));
    s.reply("230 Logged in");
    s.expect(QStringLiteral("SYST"));
    s.reply("215 UNIX Type: L8");
}
