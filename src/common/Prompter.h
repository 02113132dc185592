#pragma once

#include <QString>

// The one door for message boxes, questions, input prompts and file dialogs.
// The window installs a dialog-based one; tests install a scripted one.
class Prompter
{
public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Answer { Yes, No, Ok, Cancel };

    virtual ~Prompter() = default;

    virtual void message(const QString &title, const QString &text, Icon icon) = 0;
    virtual Answer askYesNo(const QString &title, const QString &text) = 0;
    virtual Answer askOkCancel(const QString &title, const QString &text) = 0;
    // Returns false when the user cancels.
    virtual bool askText(const QString &title, const QString &label, QString &value) = 0;
    // Empty when the user cancels.
    virtual QString openFileName(const QString &title, const QString &filter) = 0;
    virtual QString saveFileName(const QString &title, const QString &filter, const QString &suggested) = 0;

    // The common notice: an information box titled "提示".
    void notice(const QString &text) { message(QStringLiteral("提示"), text, Icon::Information); }
};
