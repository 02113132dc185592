#pragma once

#include <QMainWindow>

class AppContext;
class QLabel;
class QTabWidget;

// frm_Main: menu bar, the five feature tabs, the three-panel status bar.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }

private:
    void refreshStatus();

    AppContext &m_context;
    QTabWidget *m_tabs = nullptr;
    QLabel *m_panels[3] = {nullptr, nullptr, nullptr};
};
