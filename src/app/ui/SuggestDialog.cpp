#include "app/ui/SuggestDialog.h"

#include "app/Feedback.h"
#include "common/Prompter.h"
#include "context/AppContext.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

SuggestDialog::SuggestDialog(AppContext &context, QWidget *parent)
    : QDialog(parent),
      m_context(context)
{
    setObjectName(QStringLiteral("frm_suggest"));
    setWindowTitle(QStringLiteral("意见和建议"));

    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(QStringLiteral("您的意见和建议，是我们不断前进的动力"), this);
    heading->setObjectName(QStringLiteral("heading"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    layout->addWidget(new QLabel(QStringLiteral("提出您的意见和建议。"), this));

    auto *form = new QFormLayout;
    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("titleEdit"));
    form->addRow(QStringLiteral("标题："), m_title);
    m_type = new QComboBox(this);
    m_type->setObjectName(QStringLiteral("typeBox"));
    m_type->addItems(Feedback::types());
    m_type->setCurrentIndex(Feedback::defaultType());
    form->addRow(QStringLiteral("类型："), m_type);
    m_qq = new QLineEdit(this);
    m_qq->setObjectName(QStringLiteral("qqEdit"));
    form->addRow(QStringLiteral("QQ："), m_qq);
    m_email = new QLineEdit(this);
    m_email->setObjectName(QStringLiteral("emailEdit"));
    form->addRow(QStringLiteral("Email："), m_email);
    m_content = new QPlainTextEdit(this);
    m_content->setObjectName(QStringLiteral("contentEdit"));
    form->addRow(QStringLiteral("内容："), m_content);
    layout->addLayout(form, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("您也可以发送邮件至"), this));
    auto *mail = new QLabel(makerMail(), this);
    mail->setObjectName(QStringLiteral("mailLabel"));
    mail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(mail);
    bottom->addStretch(1);
    m_send = new QPushButton(QStringLiteral("确定发送"), this);
    m_send->setObjectName(QStringLiteral("sendButton"));
    m_send->setAutoDefault(false);
    connect(m_send, &QPushButton::clicked, this, &SuggestDialog::send);
    bottom->addWidget(m_send);
    layout->addLayout(bottom);
    resize(460, 380);
}

void SuggestDialog::send()
{
    // A title of only spaces would go out empty: it counts as none.
    if (m_title->text().trimmed().isEmpty()) {
        m_context.prompter().notice(QStringLiteral("请输入标题！"));
        return;
    }
    if (m_content->toPlainText().isEmpty()) {
        m_context.prompter().notice(QStringLiteral("请输入内容！"));
        return;
    }
    m_send->setText(QStringLiteral("正在提交"));
    m_send->setEnabled(false);

    Feedback feedback;
    feedback.title = m_title->text();
    feedback.type = m_type->currentText();
    feedback.qq = m_qq->text();
    feedback.email = m_email->text();
    feedback.content = m_content->toPlainText();
    const bool sent = feedback.send(m_context.endpoints());
    m_send->setText(QStringLiteral("确定发送"));
    m_send->setEnabled(true);
    if (!sent) {
        // The form keeps its text for another try.
        m_context.prompter().message(QStringLiteral("提示"), QStringLiteral("建议提交失败，请检查网络连接后重试。"),
                                     Prompter::Icon::Warning);
        return;
    }
    m_context.prompter().notice(QStringLiteral("您的建议已经提交，非常感谢！"));
    m_title->clear();
    m_content->clear();
}
