#include "Download.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace updater {

Download::Download(QNetworkAccessManager *network, QObject *parent) : QObject(parent), m_network(network) {}

Download::~Download()
{
    abort();
}

QString Download::progressText(qint64 countedBytes, int percent)
{
    return QStringLiteral("已下载   ") + QString::number(countedBytes) + QStringLiteral("   字节   (")
           + QString::number(percent) + QStringLiteral("%)");
}

void Download::start(const QUrl &url, const QString &target, int timeoutMs)
{
    abort();
    m_expected = 0;
    m_written = 0;
    m_chunks = 0;
    m_sizeChecked = false;

    m_file.setFileName(target);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        const QString reason = QStringLiteral("无法写入临时文件 ") + target;
        QMetaObject::invokeMethod(this, [this, reason] { Q_EMIT failed(reason); }, Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // The announced size must be the size of what we write, so nothing may be unpacked on the way.
    request.setRawHeader("Accept-Encoding", "identity");
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::socketStartedConnecting, this,
            [this] { Q_EMIT stateText(QStringLiteral("正在联系主机")); });
    connect(m_reply, &QNetworkReply::requestSent, this, [this] { Q_EMIT stateText(QStringLiteral("成功发送请求")); });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &Download::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &Download::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &Download::onFinished);
}

void Download::abort()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    // Queued: this may run inside one of the reply's own signals, where Qt
    // does not expect the reply to be aborted under it.
    QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    reply->deleteLater();
    cleanUp();
}

void Download::cleanUp()
{
    if (m_file.isOpen())
        m_file.close();
    if (!m_file.fileName().isEmpty())
        m_file.remove();
}

void Download::onMetaData()
{
    if (!m_reply || m_sizeChecked)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400 && !m_reply->isFinished())
        return; // a redirect being followed; the size check waits for the final answer
    m_sizeChecked = true;
    Q_EMIT stateText(QStringLiteral("正在接收回应..."));
    if (status < 200 || status >= 300) {
        fail(QStringLiteral("服务器回应 ") + QString::number(status));
        return;
    }
    bool ok = false;
    const qint64 size = m_reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
    if (!ok || size <= 0) {
        fail(QStringLiteral("服务器没有给出文件大小"));
        return;
    }
    m_expected = size;
}

void Download::onReadyRead()
{
    if (!m_reply)
        return;
    if (!m_sizeChecked)
        onMetaData();
    if (m_reply && !writeChunks(false))
        fail(QStringLiteral("无法写入临时文件 ") + m_file.fileName());
}

bool Download::writeChunks(bool final)
{
    if (m_expected <= 0)
        return true; // nothing is written before the size is known
    // A handler of progress() may cancel: the reply is looked up again each round.
    while (QNetworkReply *reply = m_reply.data()) {
        const qint64 available = reply->bytesAvailable();
        if (available < ChunkSize && !(final && available > 0))
            break;
        const QByteArray chunk = reply->read(ChunkSize);
        if (chunk.isEmpty())
            break;
        if (m_file.write(chunk) != chunk.size())
            return false;
        m_written += chunk.size();
        ++m_chunks;
        // Bytes are counted in whole chunks, so the last one may show more than 100 %.
        const qint64 counted = m_chunks * ChunkSize;
        const int percent = int(counted * 100 / m_expected);
        Q_EMIT progress(counted, percent);
    }
    return true;
}

void Download::onFinished()
{
    if (!m_reply)
        return;
    if (!m_sizeChecked)
        onMetaData();
    if (!m_reply)
        return; // the size check failed
    if (m_reply->error() != QNetworkReply::NoError) {
        fail(m_reply->errorString());
        return;
    }
    if (!writeChunks(true) || !m_file.flush()) {
        fail(QStringLiteral("无法写入临时文件 ") + m_file.fileName());
        return;
    }
    if (m_written != m_expected) {
        fail(QStringLiteral("文件不完整（收到 %1 字节，应为 %2 字节）").arg(m_written).arg(m_expected));
        return;
    }
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    m_file.close();
    Q_EMIT succeeded(m_file.fileName());
}

void Download::fail(const QString &reason)
{
    abort();
    Q_EMIT failed(reason);
}

} // namespace updater
