#pragma once

#include "common/Prompter.h"

class QWidget;

// The real prompter: Qt message boxes, input dialogs and file dialogs.
class DialogPrompter : public Prompter
{
public:
    explicit DialogPrompter(QWidget *parent = nullptr)
        : m_parent(parent)
    {
    }
    void setParent(QWidget *parent) { m_parent = parent; }

    void message(const QString &title, const QString &text, Icon icon) override;
    Answer askYesNo(const QString &title, const QString &text) override;
    Answer askOkCancel(const QString &title, const QString &text) override;
    bool askText(const QString &title, const QString &label, QString &value) override;
    QString openFileName(const QString &title, const QString &filter) override;
    QString saveFileName(const QString &title, const QString &filter, const QString &suggested) override;

private:
    QWidget *m_parent;
};
