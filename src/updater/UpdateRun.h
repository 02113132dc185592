#pragma once

// One run of the updater without its window: the installed and published
// versions, the download list, the downloads with their restarts, putting
// the files in place, proving the new main program runs, and the skip. The
// window shows what it says through the signals and passes the clicks in.

#include "Install.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QNetworkAccessManager;

namespace updater {

class Download;
class PageLoader;
class ProgramProof;

struct RunConfig {
    QString programDir;           // where "ver.txt" is read and the files go
    QString workDir;              // downloads are written here first
    QString pageUrl;              // the version page; empty: there is none to ask
    QStringList programArguments; // what the main program is started with ("--data DIR")
    int pageTimeoutMs = 10000;
    int transferTimeoutMs = 30000; // how long a download may stall
    int maxRestarts = 3;           // restarts after a failed download, then it gives up
    int proofMs = 3000;            // how long the new program must stay up to be kept
    QString holdAfterStep;         // the replacement holds after this step (tests kill it there)
#ifdef Q_OS_WIN
    bool windowsRule = true;
#else
    bool windowsRule = false;
#endif
    Launcher launch = &startDetached;
};

class UpdateRun : public QObject
{
    Q_OBJECT
public:
    enum class Icon { Information, Critical };
    // Shows a message box; tests replace it so that nothing waits for a click.
    using Prompt = std::function<void(Icon icon, const QString &title, const QString &text)>;

    explicit UpdateRun(RunConfig config, QObject *parent = nullptr);
    ~UpdateRun() override;

    void setPrompt(Prompt prompt) { m_prompt = std::move(prompt); }

    // Reads "ver.txt" and loads the version page; `checked` follows.
    void start();
    // "确定更新"
    void confirm();
    // "跳  过": starts the installed main program, then the run is over.
    void skip();
    // The window closes: a running download stops and leaves nothing behind,
    // files half put in place are put back.
    void cancel();
    // Starts the installed main program; false when there is none or it did not start.
    bool startInstalled();

    QString installedVersion() const { return m_installed; }
    QString publishedVersion() const { return m_published; }
    QString downloadList() const { return m_files; }
    QString programName() const { return m_names; }
    bool updateAvailable() const { return m_updateFlag; }
    bool isBusy() const { return m_busy; }
    int restarts() const { return m_restarts; }

    static QString readInstalledVersion(const QString &programDir);

Q_SIGNALS:
    void checked(bool updateAvailable);
    void messageChanged(const QString &text);
    void versionLineChanged(const QString &text);
    void progressTextChanged(const QString &text);
    void progressShown();
    void progressValueChanged(int percent);
    void busyChanged(bool busy);
    void step(const QString &what);  // a step of the replacement is done
    void gaveUp(const QString &why); // the update stopped; the buttons are usable again
    void finished();                 // the program was started (or skipped to): the updater ends

private:
    void onPage(const QString &html);
    void onPageFailed(const QString &reason);
    void noUpdate(const QString &message, const QString &why);
    void startDownload();
    void onDownloaded(const QString &file);
    void onDownloadFailed(const QString &reason);
    void onPlaced();
    void onProven();
    void onProofFailed(const QString &reason);
    void stop(const QString &progressLine);
    void setBusy(bool busy);
    QString effectiveProgramName() const;
    QString refusal() const;

    RunConfig m_config;
    Prompt m_prompt;
    QNetworkAccessManager *m_network;
    PageLoader *m_page;
    Download *m_download;
    Replacement *m_replacement;
    ProgramProof *m_proof;

    QString m_installed;
    QString m_published;
    QString m_files;
    QString m_names;
    bool m_updateFlag = false;

    QStringList m_entries;
    QList<InstallItem> m_downloaded;
    int m_index = 0;
    int m_restarts = 0;
    bool m_busy = false;
    bool m_proving = false;
    QString m_currentName;
};

} // namespace updater
