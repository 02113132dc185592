#include "app/ui/MainWindow.h"

#include "common/AppContext.h"
#include "common/JobStatus.h"

#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>

MainWindow::MainWindow(AppContext &context, QWidget *parent) : QMainWindow(parent), m_context(context)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("Veltrana"));
    setMinimumSize(867, 722);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("mainTabs"));
    for (const char *caption : {"相关关键词查询", "Adwords关键词查询", "外链资源库", "关键词排名查询", "关键词数据库"})
        m_tabs->addTab(new QWidget(m_tabs), QString::fromUtf8(caption));
    setCentralWidget(m_tabs);

    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("statusPanel%1").arg(i + 1));
        statusBar()->addWidget(m_panels[i], i == 0 ? 0 : 1);
    }
    m_panels[0]->setMinimumWidth(120);
    connect(&m_context.jobStatus(), &JobStatus::changed, this, &MainWindow::refreshStatus);
    refreshStatus();
}

void MainWindow::refreshStatus()
{
    const JobStatus &s = m_context.jobStatus();
    m_panels[0]->setText(s.stateText());
    m_panels[1]->setText(s.total());
    m_panels[2]->setText(s.current());
}
