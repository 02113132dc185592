#pragma once

#include <QByteArray>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <sys/types.h>

// Ctrl-C for a program under test: once its standard output holds `lines`
// lines, it gets SIGINT. Waits for the program to end (up to `timeoutMs`)
// and returns everything it printed; `sent` tells whether the signal went.
inline QByteArray interruptAfterLines(QProcess &p, int lines, bool *sent, int timeoutMs = 20000)
{
    QByteArray out;
    *sent = false;
    const QMetaObject::Connection c = QObject::connect(&p, &QProcess::readyReadStandardOutput, &p, [&] {
        out += p.readAllStandardOutput();
        if (!*sent && out.count('\n') >= lines) {
            *sent = true;
            ::kill(pid_t(p.processId()), SIGINT);
        }
    });
    const bool ended = QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, timeoutMs);
    QObject::disconnect(c);
    out += p.readAllStandardOutput();
    if (!ended)
        *sent = false; // report a hang as a failed interrupt
    return out;
}
