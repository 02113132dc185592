#pragma once

#include "common/Engine.h"

#include <QStringList>

// Where each engine lists its related searches on a result page, and how the
// region splits into candidates. When an engine changes its markup, this is
// the one place that follows.
namespace RelatedSearches {

// The candidates one engine's lower-cased result page offers, one per piece
// of its related-search region, in page order (empty ones kept: the
// candidate test rejects them).
QStringList candidates(Engine e, const QString &page);

} // namespace RelatedSearches
