#pragma once

#include <vector>

class ResultList;

namespace ResultListOrder {

// The rows of `list` (positions 0..count-1) in the order a click on `column`
// gives: text order on column 0; on the others the order of the cells as
// ResultList::sortKey() texts (numbers zero-padded to twelve digits, anything
// else as it reads), compared as text with letter case ignored. Equal keys
// keep their present order in either direction.
std::vector<int> sorted(const ResultList &list, int column, bool ascending);

} // namespace ResultListOrder
