#include "common/ui/DialogPrompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information: return QMessageBox::Information;
    case Prompter::Icon::Warning: return QMessageBox::Warning;
    case Prompter::Icon::Critical: return QMessageBox::Critical;
    case Prompter::Icon::Question: return QMessageBox::Question;
    case Prompter::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A two-button question with Chinese captions; the cautious answer is the
// default and what closing the box means.
bool ask(QWidget *parent, const QString &title, const QString &text, const QString &accept, const QString &refuse)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    QPushButton *yes = box.addButton(accept, QMessageBox::YesRole);
    QPushButton *no = box.addButton(refuse, QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

} // namespace

void DialogPrompter::message(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setIcon(boxIcon(icon));
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
}

Prompter::Answer DialogPrompter::askYesNo(const QString &title, const QString &text)
{
    return ask(m_parent, title, text, QStringLiteral("是"), QStringLiteral("否")) ? Answer::Yes : Answer::No;
}

Prompter::Answer DialogPrompter::askOkCancel(const QString &title, const QString &text)
{
    return ask(m_parent, title, text, QStringLiteral("确定"), QStringLiteral("取消")) ? Answer::Ok : Answer::Cancel;
}

bool DialogPrompter::askText(const QString &title, const QString &label, QString &value)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, label, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

QString DialogPrompter::openFileName(const QString &title, const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, title, {}, filter);
}

QString DialogPrompter::saveFileName(const QString &title, const QString &filter, const QString &suggested)
{
    return QFileDialog::getSaveFileName(m_parent, title, suggested, filter);
}
