#pragma once

// Starts the newly installed main program and watches it until it proves it
// runs: it is still alive after a while, or it wrote "ver.txt" with the
// published version (the main program writes it at every start). A program
// that cannot start or ends before either is a failed update.

#include <QObject>
#include <QString>
#include <QStringList>

class QProcess;
class QTimer;

namespace updater {

// First line of "ver.txt" in `programDir`; empty when there is none.
QString readVersionFile(const QString &programDir);

class ProgramProof : public QObject
{
    Q_OBJECT
public:
    explicit ProgramProof(QObject *parent = nullptr);
    ~ProgramProof() override;

    void start(const QString &program, const QStringList &arguments, const QString &programDir, const QString &version,
               int proofMs);
    // The program runs on after the updater ends.
    void release();

Q_SIGNALS:
    void proven();
    void failed(const QString &reason);

private:
    void onEnded(int exitCode, bool crashed);

    QProcess *m_process = nullptr;
    QTimer *m_timer;
    QString m_programDir;
    QString m_version;
    QString m_name;
};

} // namespace updater
