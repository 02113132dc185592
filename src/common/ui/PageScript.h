#pragma once

#include <QString>
#include <QVariant>
#include <optional>

class QWebEnginePage;

// Runs `script` in `page` and waits at most `limitMs` for its answer, the
// window live meanwhile. Nothing when no answer came in time (a page busy
// with its own scripts must not stall a run) or there is no page; an answer
// that comes later is dropped.
std::optional<QVariant> runScript(QWebEnginePage *page, const QString &script, int limitMs);
