#pragma once

#include "common/PageReader.h"

#include <QObject>
#include <QPointer>

class QWebEnginePage;

// GetWebHtml on a browser page: load the address, wait the given time with
// the event loop running (the wait does not end early when the page is
// complete: scripts may still be filling it), then return the markup of the
// document's root element. A page still loading when the wait ends gives the
// document as loaded so far; a page that failed to load gives an empty text.
class BrowserPageReader : public QObject, public PageReader
{
    Q_OBJECT
public:
    explicit BrowserPageReader(QWebEnginePage *page, QObject *parent = nullptr);

    QString readPage(const QString &address, int waitMs) override;

    // How long to wait for the script that reads the markup.
    void setScriptTimeout(int ms) { m_scriptTimeoutMs = ms; }

private:
    QPointer<QWebEnginePage> m_page;
    bool m_loadedOk = false;
    bool m_finished = false;
    int m_scriptTimeoutMs = 3000;
};
