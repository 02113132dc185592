#include "common/ui/DialogPrompter.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

void DialogPrompter::message(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    box.exec();
}

Prompter::Answer DialogPrompter::askYesNo(const QString &title, const QString &text)
{
    return QMessageBox::question(m_parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                   == QMessageBox::Yes
               ? Answer::Yes
               : Answer::No;
}

Prompter::Answer DialogPrompter::askOkCancel(const QString &title, const QString &text)
{
    return QMessageBox::question(m_parent, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel)
                   == QMessageBox::Ok
               ? Answer::Ok
               : Answer::Cancel;
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
