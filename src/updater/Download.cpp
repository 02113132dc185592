#include "Download.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace updater {

QString networkReason(QNetworkReply::NetworkError error, int httpStatus)
{
    switch (error) {
    case QNetworkReply::NoError: break;
    case QNetworkReply::ConnectionRefusedError: return QStringLiteral("连接被拒绝");
    case QNetworkReply::RemoteHostClosedError: return QStringLiteral("连接被服务器关闭");
    case QNetworkReply::HostNotFoundError: return QStringLiteral("找不到主机");
    // The transfer time limit ends a reply as "cancelled"; we never cancel one we still listen to.
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError: return QStringLiteral("超时");
    case QNetworkReply::TooManyRedirectsError: return QStringLiteral("重定向次数过多");
    case QNetworkReply::InsecureRedirectError: return QStringLiteral("不安全的重定向");
    case QNetworkReply::ProtocolUnknownError: return QStringLiteral("不支持的地址协议");
    case QNetworkReply::SslHandshakeFailedError: return QStringLiteral("安全连接失败");
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError: return QStringLiteral("网络不可用");
    case QNetworkReply::ProtocolFailure: return QStringLiteral("服务器回应无法识别");
    default:
        if (httpStatus <= 0)
            return QStringLiteral("网络错误（代码 %1）").arg(int(error));
        break;
    }
    if (httpStatus < 200 || httpStatus >= 300)
        return QStringLiteral("服务器返回 HTTP %1").arg(httpStatus);
    return {};
}

Download::Download(QNetworkAccessManager *network, QObject *parent)
    : QObject(parent),
      m_network(network)
{
}

Download::~Download() { abort(); }

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
        fail(QStringLiteral("无法写入临时文件 ") + target);
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // The announced size must be the size of what we write, so nothing may be unpacked on the way.
    request.setRawHeader("Accept-Encoding", "identity");
    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    // Each handler is bound to its own reply: a signal of a reply given up on
    // can never act on the one that replaced it.
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this, reply] {
        if (reply == m_reply)
            Q_EMIT stateText(QStringLiteral("正在联系主机"));
    });
    connect(reply, &QNetworkReply::requestSent, this, [this, reply] {
        if (reply == m_reply)
            Q_EMIT stateText(QStringLiteral("成功发送请求"));
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] { onMetaData(reply); });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { onReadyRead(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

void Download::dropReply()
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
}

void Download::abort()
{
    ++m_generation;
    dropReply();
    if (m_file.isOpen())
        m_file.close();
    if (!m_file.fileName().isEmpty())
        m_file.remove();
}

bool Download::checkAnswer(QNetworkReply *reply)
{
    if (m_sizeChecked)
        return true;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 300 && status < 400 && !reply->isFinished())
        return true; // a redirect being followed; the size check waits for the final answer
    if (status == 0)
        return true; // no answer yet (or none at all: the error says why when it finishes)
    m_sizeChecked = true;
    Q_EMIT stateText(QStringLiteral("正在接收回应..."));
    if (status < 200 || status >= 300) {
        fail(networkReason(QNetworkReply::NoError, status));
        return false;
    }
    bool ok = false;
    const qint64 size = reply->rawHeader("Content-Length").trimmed().toLongLong(&ok);
    if (!ok || size <= 0) {
        fail(QStringLiteral("服务器没有给出文件大小"));
        return false;
    }
    m_expected = size;
    return true;
}

void Download::onMetaData(QNetworkReply *reply)
{
    if (reply == m_reply)
        checkAnswer(reply);
}

void Download::onReadyRead(QNetworkReply *reply)
{
    if (reply != m_reply || !checkAnswer(reply))
        return;
    if (!writeChunks(false))
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

void Download::onFinished(QNetworkReply *reply)
{
    if (reply != m_reply)
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::RemoteHostClosedError && m_expected > 0) {
        // Closed before all the announced bytes came: say how much was missing.
        writeChunks(true);
        fail(QStringLiteral("数据不完整（收到 %1 字节，应为 %2 字节）").arg(m_written).arg(m_expected));
        return;
    }
    if (reply->error() != QNetworkReply::NoError) {
        fail(networkReason(reply->error(), status));
        return;
    }
    if (!checkAnswer(reply))
        return;
    if (!m_sizeChecked) {
        fail(QStringLiteral("服务器没有回应"));
        return;
    }
    if (!writeChunks(true) || !m_file.flush()) {
        fail(QStringLiteral("无法写入临时文件 ") + m_file.fileName());
        return;
    }
    if (m_written != m_expected) {
        fail(QStringLiteral("数据不完整（收到 %1 字节，应为 %2 字节）").arg(m_written).arg(m_expected));
        return;
    }
#ifdef Q_OS_WIN
    const bool synced = FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(m_file.handle())));
#else
    const bool synced = ::fsync(m_file.handle()) == 0;
#endif
    if (!synced) {
        fail(QStringLiteral("无法写入临时文件 ") + m_file.fileName());
        return;
    }
    dropReply();
    m_file.close();
    const QString file = m_file.fileName();
    m_file.setFileName(QString()); // it is the caller's now: a later abort leaves it alone
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, file, generation] {
            if (generation == m_generation)
                Q_EMIT succeeded(file);
        },
        Qt::QueuedConnection);
}

void Download::fail(const QString &reason)
{
    abort();
    // Queued: whoever restarts the download must not do it inside this one's signal.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, reason, generation] {
            if (generation == m_generation)
                Q_EMIT failed(reason);
        },
        Qt::QueuedConnection);
}

} // namespace updater
