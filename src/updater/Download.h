#pragma once

// One download into a file of the working folder. It completes only when the
// reply finished without error, with an HTTP 2xx status and exactly the
// "Content-Length" bytes it announced, written and synced. Anything else is a
// failure with its reason in Chinese, reported after the event that caused
// it has returned (never from inside it), and leaves no file behind.

#include <QFile>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

namespace updater {

// What went wrong with a reply, in the words the progress line uses.
QString networkReason(QNetworkReply::NetworkError error, int httpStatus);

class Download : public QObject
{
    Q_OBJECT
public:
    // The body is written and counted in chunks of this size.
    static constexpr qint64 ChunkSize = 512;

    explicit Download(QNetworkAccessManager *network, QObject *parent = nullptr);
    ~Download() override;

    // `target` is overwritten. `timeoutMs`: how long the transfer may stall.
    void start(const QUrl &url, const QString &target, int timeoutMs);
    // Stops a running transfer without a signal and removes the partial file.
    void abort();
    bool isRunning() const { return m_reply != nullptr; }
    qint64 expectedSize() const { return m_expected; }

    // "已下载   " + bytes + "   字节   (" + percent + "%)"
    static QString progressText(qint64 countedBytes, int percent);

Q_SIGNALS:
    void stateText(const QString &text); // the transfer states Qt reports
    void progress(qint64 countedBytes, int percent);
    void succeeded(const QString &file);
    void failed(const QString &reason);

private:
    void onMetaData(QNetworkReply *reply);
    void onReadyRead(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);
    bool checkAnswer(QNetworkReply *reply);
    bool writeChunks(bool final);
    void fail(const QString &reason);
    void dropReply();

    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QFile m_file;
    qint64 m_expected = 0; // "Content-Length", 0 until known
    qint64 m_written = 0;
    qint64 m_chunks = 0;
    bool m_sizeChecked = false;
    quint64 m_generation = 0; // a queued signal of an earlier transfer is dropped
};

} // namespace updater
