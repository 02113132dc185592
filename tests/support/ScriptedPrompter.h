#pragma once

#include "common/Prompter.h"

#include <QList>
#include <QQueue>
#include <QString>

// A prompter for tests: records every prompt and answers from queues.
class ScriptedPrompter : public Prompter
{
public:
    struct Prompt {
        QString kind; // "message", "yesno", "okcancel", "text", "open", "save"
        QString title;
        QString text; // a file dialog's filter
        Icon icon = Icon::None;
    };

    QList<Prompt> prompts;
    QQueue<Answer> answers; // for yes/no and OK/cancel; default No / Cancel
    QQueue<QString> texts;  // for text prompts and file dialogs; empty = cancel

    void message(const QString &title, const QString &text, Icon icon) override;
    Answer askYesNo(const QString &title, const QString &text) override;
    Answer askOkCancel(const QString &title, const QString &text) override;
    bool askText(const QString &title, const QString &label, QString &value) override;
    QString openFileName(const QString &title, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &filter, const QString &suggested) override;

    QString lastText() const { return prompts.isEmpty() ? QString() : prompts.last().text; }
    QStringList allTexts() const;
};
