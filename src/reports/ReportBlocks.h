#pragma once

#include "common/CheckedFile.h"
#include "reports/ReportWriters.h"

// What the report writers share: the block size and the outcomes.
namespace ReportWriters::Blocks {

// Rows per block: large enough that a write and a progress report per block
// cost nothing, small enough that a block of long rows stays a few hundred
// kilobytes.
constexpr int kRows = 4096;

inline Outcome fromChecked(const CheckedFile::Result &result)
{
    return {result.ok, result.code, result.reason, result.path};
}

inline Outcome cancelled(const QString &path)
{
    Outcome out{false, 0, QStringLiteral("cancelled"), path};
    out.cancelled = true;
    return out;
}

inline Outcome written(const QString &path)
{
    Outcome out;
    out.path = path;
    return out;
}

inline bool goOn(const Options &options, qint64 done, qint64 total)
{
    return !options.progress || options.progress(done, total);
}

} // namespace ReportWriters::Blocks
