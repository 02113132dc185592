#include "support/ScriptedPrompter.h"

#include <QStringList>

void ScriptedPrompter::message(const QString &title, const QString &text, Icon icon)
{
    prompts.append({QStringLiteral("message"), title, text, icon});
}

Prompter::Answer ScriptedPrompter::askYesNo(const QString &title, const QString &text)
{
    prompts.append({QStringLiteral("yesno"), title, text, Icon::Question});
    return answers.isEmpty() ? Answer::No : answers.dequeue();
}

Prompter::Answer ScriptedPrompter::askOkCancel(const QString &title, const QString &text)
{
    prompts.append({QStringLiteral("okcancel"), title, text, Icon::Question});
    return answers.isEmpty() ? Answer::Cancel : answers.dequeue();
}

bool ScriptedPrompter::askText(const QString &title, const QString &label, QString &value)
{
    prompts.append({QStringLiteral("text"), title, label, Icon::None});
    if (texts.isEmpty())
        return false;
    value = texts.dequeue();
    return true;
}

QString ScriptedPrompter::openFileName(const QString &title, const QString &filter)
{
    prompts.append({QStringLiteral("open"), title, filter, Icon::None});
    return texts.isEmpty() ? QString() : texts.dequeue();
}

QString ScriptedPrompter::saveFileName(const QString &title, const QString &filter, const QString &)
{
    prompts.append({QStringLiteral("save"), title, filter, Icon::None});
    return texts.isEmpty() ? QString() : texts.dequeue();
}

QStringList ScriptedPrompter::allTexts() const
{
    QStringList out;
    for (const Prompt &p : prompts)
        out.append(p.text);
    return out;
}
