#pragma once

#include "common/ui/FeatureTab.h"

class AppContext;

// Tab 0 "相关关键词查询": related-keyword mining with counts and its filter.
class MiningTab : public FeatureTab
{
    Q_OBJECT
public:
    explicit MiningTab(AppContext &context, QWidget *parent = nullptr);

private:
    AppContext &m_context;
};
