// The FTP window's controls for tests, found by their object names.
#pragma once

#include "ui/ftpform.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QString>
#include <gtest/gtest.h>

// The control (widget, action, menu or timer) of the FTP window named `name`.
template <typename T> T* ftpControl(const TFTPForm& form, const char* name)
{
    T* control = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

// Panel `index` of the status bar: 0 on/offline, 1 the progress, 2 the last status
// text, 3 the reply time-out.
inline QLabel* statusPanel(const TFTPForm& form, int index)
{
    const QByteArray name = "sbPanel" + QByteArray::number(index);
    return ftpControl<QLabel>(form, name.constData());
}

// The remote folder last listed, as the label above the list shows it.
inline QString remoteFolder(const TFTPForm& form)
{
    return ftpControl<QLabel>(form, "lFtpPath")->text().mid(QStringLiteral(" Server: ").size());
}

// Whether a line of the window's log starts with `start`.
inline bool logHasLineStarting(const TFTPForm& form, const QString& start)
{
    const QListWidget* log = ftpControl<QListWidget>(form, "lbStatus");
    for (int i = 0; i < log->count(); ++i) {
        if (log->item(i)->text().startsWith(start))
            return true;
    }
    return false;
}

// Connects the window to the scripted FTP server on `port` as user joe, password secret (as
// the scenario opening/login expects), with the reply time-out `timeout`.
inline void connectToScript(TFTPForm& form, quint16 port, int timeout)
{
    ftpControl<QComboBox>(form, "edFtpServer")
        ->setEditText(QStringLiteral("127.0.0.1:%1").arg(port));
    ftpControl<QLineEdit>(form, "edFtpUser")->setText(QStringLiteral("joe"));
    ftpControl<QLineEdit>(form, "edFtpPw")->setText(QStringLiteral("secret"));
    form.setReplyTimeout(timeout);
    ftpControl<QAction>(form, "actConnectDisconnect")->trigger();
}
