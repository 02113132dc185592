#pragma once

#include "volume/ToolPage.h"

#include <QPointer>
#include <QVariant>
#include <optional>

class QWebEnginePage;

// The keyword tool page in an embedded browser page. Each call runs a small
// script in the page and waits for its answer with the event loop running,
// at most scriptTimeout(); an answer that does not come counts as "nothing".
class WebToolPage : public ToolPage
{
    Q_OBJECT
public:
    explicit WebToolPage(QWebEnginePage *page, QObject *parent = nullptr);

    void load(const QUrl &address) override;
    bool hasElement(const QString &id) override;
    void setValue(const QString &id, const QString &value) override;
    void click(const QString &id) override;
    Markup innerHtml(const QString &id) override;
    bool clearInnerHtml(const QString &id) override;

    void setScriptTimeout(int ms) { m_scriptTimeoutMs = ms; }
    QWebEnginePage *webPage() const { return m_page; }

private:
    // The script's value; nothing when the page did not answer in time.
    std::optional<QVariant> run(const QString &script);

    QPointer<QWebEnginePage> m_page;
    int m_scriptTimeoutMs = 2000;
};
