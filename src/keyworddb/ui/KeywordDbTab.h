#pragma once

#include "common/ui/FeatureTab.h"

class AppContext;

// Tab 4 "关键词数据库": the stored keywords, their refresh and filter.
class KeywordDbTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit KeywordDbTab(AppContext &context, QWidget *parent = nullptr);
    void activated() override;

private:
    AppContext &m_context;
};
