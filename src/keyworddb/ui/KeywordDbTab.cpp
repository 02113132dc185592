#include "keyworddb/ui/KeywordDbTab.h"

#include "common/AppContext.h"

KeywordDbTab::KeywordDbTab(AppContext &context, QWidget *parent) : FeatureTab(parent), m_context(context)
{
    setObjectName(QStringLiteral("keywordDbTab"));
}

void KeywordDbTab::activated()
{
}
