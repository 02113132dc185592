#pragma once

#include <QDialog>

class AppContext;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// frm_suggest "意见和建议": a suggestion or fault report sent to the maker.
class SuggestDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SuggestDialog(AppContext &context, QWidget *parent = nullptr);

    static QString makerMail() { return QStringLiteral("feedback@veltrana.example"); }

private:
    void send();

    AppContext &m_context;
    QLineEdit *m_title = nullptr;
    QComboBox *m_type = nullptr;
    QLineEdit *m_qq = nullptr;
    QLineEdit *m_email = nullptr;
    QPlainTextEdit *m_content = nullptr;
    QPushButton *m_send = nullptr;
};
