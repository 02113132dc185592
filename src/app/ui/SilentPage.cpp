#include "app/ui/SilentPage.h"

SilentPage::SilentPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
}

bool SilentPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (m_linkHandler && type == NavigationTypeLinkClicked) {
        m_linkHandler(url);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

QWebEnginePage *SilentPage::createWindow(WebWindowType) { return m_target.data(); }

void SilentPage::javaScriptAlert(const QUrl &, const QString &) { }

bool SilentPage::javaScriptConfirm(const QUrl &, const QString &) { return false; }

bool SilentPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *) { return false; }

void SilentPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &) { }
