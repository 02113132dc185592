#include "app/ui/BrowserPageReader.h"

#include "common/Wait.h"
#include "common/ui/PageScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QWebEnginePage>

BrowserPageReader::BrowserPageReader(QWebEnginePage *page, QObject *parent)
    : QObject(parent),
      m_page(page)
{
    if (m_page) {
        connect(m_page, &QWebEnginePage::loadStarted, this, [this] {
            m_loadedOk = false;
            m_finished = false;
        });
        connect(m_page, &QWebEnginePage::loadFinished, this, [this](bool ok) {
            m_loadedOk = ok;
            m_finished = true;
        });
    }
}

QString BrowserPageReader::readPage(const QString &address, int waitMs)
{
    const QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!m_page || !url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return {};

    m_loadedOk = false;
    m_finished = false;
    m_page->load(url);
    waitWithEvents(waitMs);
    // A page still loading when the wait ends gives what it has so far (a
    // slow picture must not cost the count already on the page); a page
    // that failed gives nothing.
    if (!m_page || (m_finished && !m_loadedOk))
        return {};
    const bool partial = !m_finished;

    // Still loading: the document must be the one asked for, not the page
    // that was shown before the new one arrived.
    QString script = QStringLiteral("document.documentElement.innerHTML");
    if (partial) {
        const QByteArray json =
            QJsonDocument(QJsonArray{QString::fromUtf8(url.toEncoded())}).toJson(QJsonDocument::Compact);
        script = QStringLiteral("(function(u){try{return new URL(document.URL).href===new URL(u).href?"
                                "document.documentElement.innerHTML:'';}catch(e){return '';}})(%1)")
                     .arg(QString::fromUtf8(json.mid(1, json.size() - 2)));
    }
    return runScript(m_page, script, m_scriptTimeoutMs).value_or(QVariant()).toString();
}
