#pragma once

#include "app/Startup.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class AppContext;
class BrowserPageReader;
class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QUrl;
class QWebEngineProfile;
class QWebEngineView;
class ReportExport;
class SilentPage;

// frm_Main: menu bar, the five feature tabs, the three-panel status bar, the
// information strip, the tray icon and the two silent browsers.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Runs start-up and builds the tabs. False when the program should end
    // at once: another instance runs, or the updater took over.
    bool start();

    Startup &startup() { return m_startup; }

    // How maker pages reach the desktop's browser (tests record instead).
    void setUrlOpener(std::function<bool(const QUrl &)> opener) { m_openUrl = std::move(opener); }

    void showAbout();
    void openIntervals();
    void openSuggest();
    void onlineUpdate();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildTabs();
    void buildTray();
    void buildBrowsers();
    void refreshLinks();
    void tabChanged(int index);
    void openMakerPage(const QString &path);
    // Every link and finished report leaves through here; one that nothing
    // opens is said in the status bar with its address.
    bool openLink(const QUrl &url);
    void unload();
    void refreshStatus();

    AppContext &m_context;
    Startup m_startup;
    QWebEngineProfile *m_profile = nullptr;
    QTabWidget *m_tabs = nullptr;
    QLabel *m_panels[3] = {nullptr, nullptr, nullptr};
    QActionGroup *m_functions = nullptr;
    QList<QAction *> m_makerActions;
    QMenu *m_trayMenu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QWebEngineView *m_info = nullptr;
    SilentPage *m_browser1 = nullptr;
    SilentPage *m_browser2 = nullptr;
    BrowserPageReader *m_reader = nullptr;
    std::function<bool(const QUrl &)> m_openUrl;
    std::unique_ptr<ReportExport> m_exporter;
};
