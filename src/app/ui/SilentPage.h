#pragma once

#include <QPointer>
#include <QWebEnginePage>
#include <functional>

// A browser page that never opens a dialog or prints script messages (the
// pages it shows are other people's) and hands the windows a page asks for
// to another page.
class SilentPage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit SilentPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    // Where window.open() and target="_blank" land; none: they are dropped.
    void setNewWindowTarget(QWebEnginePage *target) { m_target = target; }
    // With a handler, a clicked link goes to it instead of replacing the page
    // (a narrow strip is no place to read a whole page).
    void setLinkHandler(std::function<void(const QUrl &)> handler) { m_linkHandler = std::move(handler); }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    QPointer<QWebEnginePage> m_target;
    std::function<void(const QUrl &)> m_linkHandler;
};
