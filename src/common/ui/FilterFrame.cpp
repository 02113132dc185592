#include "common/ui/FilterFrame.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FilterFrame::FilterFrame(const QString &keywordLabel, QWidget *parent)
    : QGroupBox(QStringLiteral("查询结果过滤"), parent)
{
    setObjectName(QStringLiteral("filterFrame"));
    // A side panel: the result list beside it gets the rest of the width.
    setMaximumWidth(270);
    auto *grid = new QGridLayout(this);

    m_textMode = new QComboBox(this);
    m_textMode->setObjectName(QStringLiteral("filterTextMode"));
    m_textMode->addItems({QStringLiteral("包含"), QStringLiteral("不包含")});
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("filterText"));
    grid->addWidget(new QLabel(keywordLabel, this), 0, 0);
    grid->addWidget(m_textMode, 0, 1);
    grid->addWidget(m_text, 0, 2);

    for (Engine e : kEngines) {
        const int i = engineIndex(e);
        const int row = i + 1;
        m_ops[i] = new QComboBox(this);
        m_ops[i]->setObjectName(QStringLiteral("filterOp_") + engineKey(e));
        m_ops[i]->addItems({QStringLiteral(">"), QStringLiteral("<"), QStringLiteral("=")});
        m_thresholds[i] = new QLineEdit(this);
        m_thresholds[i]->setObjectName(QStringLiteral("filterThreshold_") + engineKey(e));
        grid->addWidget(new QLabel(engineLabel(e) + QStringLiteral("收录量："), this), row, 0);
        grid->addWidget(m_ops[i], row, 1);
        grid->addWidget(m_thresholds[i], row, 2);
    }

    m_filter = new QPushButton(QStringLiteral("开始过滤"), this);
    m_filter->setObjectName(QStringLiteral("filterButton"));
    m_restore = new QPushButton(QStringLiteral("还原"), this);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_filter);
    buttons->addWidget(m_restore);
    grid->addLayout(buttons, 4, 0, 1, 3);
    grid->setColumnStretch(2, 1);

    connect(m_filter, &QPushButton::clicked, this, &FilterFrame::filterRequested);
    connect(m_restore, &QPushButton::clicked, this, &FilterFrame::restoreRequested);
}

QComboBox *FilterFrame::opBox(Engine e) const { return m_ops[engineIndex(e)]; }

QLineEdit *FilterFrame::thresholdEdit(Engine e) const { return m_thresholds[engineIndex(e)]; }

FilterConditions FilterFrame::conditions() const
{
    FilterConditions c;
    c.textMode =
        m_textMode->currentIndex() == 1 ? FilterConditions::Text::NotContains : FilterConditions::Text::Contains;
    c.text = m_text->text();
    FilterConditions::Count *counts[] = {&c.google, &c.yahoo, &c.bing};
    for (int i = 0; i < 3; ++i) {
        counts[i]->op = m_ops[i]->currentIndex() >= 0 ? m_ops[i]->currentText() : QString();
        counts[i]->threshold = m_thresholds[i]->text().trimmed();
    }
    return c;
}
