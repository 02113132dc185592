#pragma once

#include "common/Engine.h"
#include "common/ResultFilter.h"

#include <QGroupBox>

class QComboBox;
class QLineEdit;
class QPushButton;

// The "查询结果过滤" frame: a keyword condition, one count condition per
// engine, "开始过滤" and "还原". It only gathers conditions; the tab runs the
// filter on its own lists.
class FilterFrame : public QGroupBox
{
    Q_OBJECT
public:
    // `keywordLabel`: "相关关键词中：" or "关键词中：".
    FilterFrame(const QString &keywordLabel, QWidget *parent = nullptr);

    FilterConditions conditions() const;

    QComboBox *textModeBox() const { return m_textMode; }
    QLineEdit *textEdit() const { return m_text; }
    QComboBox *opBox(Engine e) const;
    QLineEdit *thresholdEdit(Engine e) const;
    QPushButton *filterButton() const { return m_filter; }
    QPushButton *restoreButton() const { return m_restore; }

Q_SIGNALS:
    void filterRequested();
    void restoreRequested();

private:
    QComboBox *m_textMode;
    QLineEdit *m_text;
    QComboBox *m_ops[3];
    QLineEdit *m_thresholds[3];
    QPushButton *m_filter;
    QPushButton *m_restore;
};
