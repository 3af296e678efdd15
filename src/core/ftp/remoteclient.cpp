// What every client shares: the connection settings and the program's zero time.
#include "ftp/remoteclient.h"

RemoteClient::RemoteClient(QObject* parent) : QObject(parent)
{
}

RemoteClient::~RemoteClient() = default;

QDateTime RemoteClient::zeroTime()
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0));
}

void RemoteClient::copyBaseSettings(const RemoteClient& other)
{
    m_host = other.m_host;
    m_port = other.m_port;
    m_username = other.m_username;
    m_password = other.m_password;
    m_replyTimeout = other.m_replyTimeout;
}
