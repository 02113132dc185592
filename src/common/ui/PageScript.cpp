#include "common/ui/PageScript.h"

#include "common/Wait.h"

#include <QPointer>
#include <QWebEnginePage>
#include <memory>

std::optional<QVariant> runScript(QWebEnginePage *page, const QString &script, int limitMs)
{
    if (!page)
        return std::nullopt;
    // The answer may come after we gave up: it then finds this shared state
    // with its wait gone, never a finished stack frame.
    struct Answer {
        QVariant value;
        bool answered = false;
        QPointer<Wait> wait;
    };
    auto answer = std::make_shared<Answer>();
    Wait wait;
    answer->wait = &wait;
    page->runJavaScript(script, [answer](const QVariant &value) {
        if (!answer->wait)
            return;
        answer->value = value;
        answer->answered = true;
        answer->wait->done();
    });
    wait.run(limitMs);
    if (!answer->answered)
        return std::nullopt;
    return answer->value;
}
