#include "research/ui/MiningTab.h"

#include "common/AppContext.h"

MiningTab::MiningTab(AppContext &context, QWidget *parent) : FeatureTab(parent), m_context(context)
{
    setObjectName(QStringLiteral("miningTab"));
}
