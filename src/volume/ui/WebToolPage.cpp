#include "volume/ui/WebToolPage.h"

#include "common/ui/PageScript.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>

namespace {

// A text as a script literal: keywords and answers are typed by the user.
QString literal(const QString &text)
{
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

// The element is found by walking every element and comparing its id.
QString finder(const QString &id)
{
    return QStringLiteral("(function(){var a=document.getElementsByTagName('*');"
                          "for(var i=0;i<a.length;i++){if(a[i].id===%1)return a[i];}return null;})()")
        .arg(literal(id));
}

} // namespace

WebToolPage::WebToolPage(QWebEnginePage *page, QObject *parent)
    : ToolPage(parent),
      m_page(page)
{
    // Passed on from the event loop: a script run inside the browser's own
    // notification would never get its answer.
    if (m_page) {
        connect(
            m_page, &QWebEnginePage::loadFinished, this,
            [this](bool ok) {
                if (m_page)
                    Q_EMIT loadFinished(m_page->url(), ok);
            },
            Qt::QueuedConnection);
    }
}

void WebToolPage::load(const QUrl &address)
{
    if (m_page)
        m_page->load(address);
}

std::optional<QVariant> WebToolPage::run(const QString &script) { return runScript(m_page, script, m_scriptTimeoutMs); }

bool WebToolPage::hasElement(const QString &id)
{
    return run(finder(id) + QStringLiteral("!==null")).value_or(QVariant()).toBool();
}

void WebToolPage::setValue(const QString &id, const QString &value)
{
    run(QStringLiteral("(function(){var e=%1;if(e)e.value=%2;return true;})()").arg(finder(id), literal(value)));
}

void WebToolPage::click(const QString &id)
{
    run(QStringLiteral("(function(){var e=%1;if(e)e.click();return true;})()").arg(finder(id)));
}

ToolPage::Markup WebToolPage::innerHtml(const QString &id)
{
    const std::optional<QVariant> v =
        run(QStringLiteral("(function(){var e=%1;return e?e.innerHTML:null;})()").arg(finder(id)));
    if (!v)
        return {Markup::State::NoAnswer, {}};
    if (!v->isValid() || v->isNull())
        return {Markup::State::Missing, {}};
    return {Markup::State::Found, v->toString()};
}

bool WebToolPage::clearInnerHtml(const QString &id)
{
    const std::optional<QVariant> v =
        run(QStringLiteral("(function(){var e=%1;if(!e)return false;e.innerHTML='';return true;})()").arg(finder(id)));
    return v && v->toBool();
}
