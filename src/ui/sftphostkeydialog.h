// The question the FTP window asks when an SFTP server shows a host key that is not known:
// the host, the key's type and size and its SHA256 fingerprint as `ssh-keygen -lf` prints
// it; trust it always (written to the program's known_hosts), once, or refuse. Nothing has
// been sent to the server while it is asked.
#pragma once

#include "ftp/sftpclient.h"

#include <QDialog>

class QPushButton;

class SftpHostKeyDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SftpHostKeyDialog(const SshHostKeyQuestion& question, QWidget* parent = nullptr);

    // Refuse unless one of the trust buttons was clicked.
    SshHostKeyAnswer answer() const { return m_answer; }

    // Shows the dialog modally and returns its answer.
    static SshHostKeyAnswer ask(QWidget* parent, const SshHostKeyQuestion& question);

private:
    SshHostKeyAnswer m_answer = SshHostKeyAnswer::Refuse;
};

// "ED25519, 256 bits" (the size left out when unknown).
QString hostKeyTypeText(const SshHostKeyQuestion& question);
// The host as known_hosts names it and the user typed it: "host" or "host:port".
QString hostKeyHostText(const SshHostKeyQuestion& question);
