#include "app/ui/BrowserPageReader.h"

#include "common/Wait.h"

#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <memory>

BrowserPageReader::BrowserPageReader(QWebEnginePage *page, QObject *parent) : QObject(parent), m_page(page)
{
    if (m_page) {
        connect(m_page, &QWebEnginePage::loadStarted, this, [this] { m_loadedOk = false; });
        connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) { m_loadedOk = ok; });
    }
}

QString BrowserPageReader::readPage(const QString &address, int waitMs)
{
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!m_page || !url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return {};

    m_loadedOk = false;
    m_page->load(url);
    waitWithEvents(waitMs);
    if (!m_page || !m_loadedOk)
        return {};

    // The answer may come after we gave up: it then writes into this shared
    // state, never into a finished stack frame.
    struct Result {
        QString html;
        bool answered = false;
        QPointer<QEventLoop> loop;
    };
    auto result = std::make_shared<Result>();
    QEventLoop loop;
    result->loop = &loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_page->runJavaScript(QStringLiteral("document.documentElement.innerHTML"),
                          [result](const QVariant &value) {
                              if (!result->loop)
                                  return;
                              result->html = value.toString();
                              result->answered = true;
                              result->loop->quit();
                          });
    if (!result->answered) {
        limit.start(m_scriptTimeoutMs);
        loop.exec();
    }
    result->loop = nullptr;
    return result->html;
}
