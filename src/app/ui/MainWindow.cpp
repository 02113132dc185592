#include "app/ui/MainWindow.h"

#include "common/AppContext.h"
#include "common/JobStatus.h"
#include "keyworddb/ui/KeywordDbTab.h"
#include "research/ui/MiningTab.h"

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
    m_tabs->addTab(new MiningTab(m_context, m_tabs), QStringLiteral("相关关键词查询"));
    m_tabs->addTab(new FeatureTab(m_tabs), QStringLiteral("Adwords关键词查询"));
    m_tabs->addTab(new FeatureTab(m_tabs), QStringLiteral("外链资源库"));
    m_tabs->addTab(new FeatureTab(m_tabs), QStringLiteral("关键词排名查询"));
    m_tabs->addTab(new KeywordDbTab(m_context, m_tabs), QStringLiteral("关键词数据库"));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (auto *tab = qobject_cast<FeatureTab *>(m_tabs->widget(index)))
            tab->activated();
    });
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
