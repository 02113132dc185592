#include "app/Feedback.h"
#include "app/ui/ExportProgressDialog.h"
#include "app/ui/IntervalDialog.h"
#include "app/ui/SuggestDialog.h"
#include "engines/EnginePacing.h"
#include "support/FakeClock.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

namespace {

QStringList labelTexts(const QWidget &w)
{
    QStringList out;
    for (const QLabel *l : w.findChildren<QLabel *>())
        out.append(l->text());
    return out;
}

QComboBox *intervalBox(const QWidget &dialog, Engine e)
{
    return dialog.findChild<QComboBox *>(engineKey(e) + QStringLiteral("Interval"));
}

QStringList comboItems(const QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out.append(box->itemText(i));
    return out;
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_standIn = std::make_unique<standin::StandIn>();
        QVERIFY(m_standIn->listen(0));
    }
    void cleanup() { m_standIn.reset(); }

    void intervalsShowTheStoredValues()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        env.settings().WriteValue(QStringLiteral("googlese"), QStringLiteral("4"));
        env.settings().WriteValue(QStringLiteral("bingse"), QStringLiteral("12"));
        IntervalDialog dialog(*env.context, nullptr);
        QComboBox *google = intervalBox(dialog, Engine::Google);
        QCOMPARE(comboItems(google),
                 (QStringList{QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                              QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9"), QStringLiteral("10")}));
        QCOMPARE(google->currentText(), QStringLiteral("4"));
        QCOMPARE(intervalBox(dialog, Engine::Yahoo)->currentText(), QStringLiteral("5")); // missing: 5
        QCOMPARE(intervalBox(dialog, Engine::Bing)->currentIndex(), -1);                  // outside 3-10

        const QStringList labels = labelTexts(dialog);
        for (const char *l : {"抓取Google时间间隔：", "抓取Yahoo时间间隔：", "抓取Bing时间间隔：",
                              "无法正常获取数据。解决方案是：设置软件抓取搜索引擎的时间间隔，越长越好。",
                              "如果以下浏览器显示有被屏蔽提示，并提示您输入验证码，请按照其提示输入，验证通过后，"
                              "短时间内不会再出现被屏蔽的现象。"})
            QVERIFY2(labels.contains(QString::fromUtf8(l)), l);
        QVERIFY(!env.settings().HasValue(QStringLiteral("yahoose"))); // opening writes nothing
    }

    void choosingEightForGoogle()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        IntervalDialog dialog(*env.context, nullptr);
        dialog.show();
        QComboBox *google = intervalBox(dialog, Engine::Google);
        google->setFocus();
        for (int i = 0; i < 3; ++i) // 5 -> 8 with the arrow key
            QTest::keyClick(google, Qt::Key_Down);
        QCOMPARE(google->currentText(), QStringLiteral("8"));
        QCOMPARE(env.settings().ReadValue(QStringLiteral("googlese")), QStringLiteral("8"));
        QCOMPARE(env.context->pacing().waitSeconds(Engine::Google), 8);
        QVERIFY(!env.settings().HasValue(QStringLiteral("yahoose")));

        // The next Google request waits the new interval after the previous one.
        FakeClock clock;
        env.context->pacing().setClock(clock);
        env.context->pacing().pace(Engine::Google);
        QCOMPARE(env.context->pacing().pendingWaitMs(Engine::Google), 8000);
        QCOMPARE(env.context->pacing().pendingWaitMs(Engine::Yahoo), 0);
    }

    void intervalBrowserAddresses()
    {
        Endpoints endpoints;
        endpoints.setBase(Endpoints::Service::Google, QStringLiteral("http://127.0.0.1:4000/google"));
        endpoints.setBase(Endpoints::Service::Baidu, QStringLiteral("http://127.0.0.1:4000/baidu"));
        QCOMPARE(IntervalDialog::googleAddress(endpoints), QStringLiteral("http://127.0.0.1:4000/google/?wd=seo"));
        QCOMPARE(IntervalDialog::baiduAddress(endpoints),
                 QStringLiteral("http://127.0.0.1:4000/baidu/s?wd=site%3A127.0.0.1:4000"));
        endpoints.setBase(Endpoints::Service::Baidu, QStringLiteral("http://www.baidu.com"));
        QCOMPARE(IntervalDialog::baiduAddress(endpoints),
                 QStringLiteral("http://www.baidu.com/s?wd=site%3Awww.baidu.com"));
        endpoints.setBase(Endpoints::Service::Baidu, QString());
        QCOMPARE(IntervalDialog::baiduAddress(endpoints), QString());
    }

    void suggestFormTexts()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        SuggestDialog dialog(*env.context);
        QCOMPARE(dialog.objectName(), QStringLiteral("frm_suggest"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("意见和建议"));
        const QStringList labels = labelTexts(dialog);
        for (const char *l : {"您的意见和建议，是我们不断前进的动力", "提出您的意见和建议。", "标题：", "类型：",
                              "QQ：", "Email：", "内容：", "您也可以发送邮件至"})
            QVERIFY2(labels.contains(QString::fromUtf8(l)), l);
        auto *type = dialog.findChild<QComboBox *>(QStringLiteral("typeBox"));
        QCOMPARE(comboItems(type),
                 (QStringList{QStringLiteral("功能改进"), QStringLiteral("BUG报告"), QStringLiteral("购买事宜"),
                              QStringLiteral("一般性建议")}));
        QCOMPARE(type->currentText(), QStringLiteral("一般性建议"));
        QCOMPARE(dialog.findChild<QPushButton *>(QStringLiteral("sendButton"))->text(), QStringLiteral("确定发送"));
    }

    void suggestNeedsTitleAndContent()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        SuggestDialog dialog(*env.context);
        auto *title = dialog.findChild<QLineEdit *>(QStringLiteral("titleEdit"));
        auto *content = dialog.findChild<QPlainTextEdit *>(QStringLiteral("contentEdit"));
        auto *send = dialog.findChild<QPushButton *>(QStringLiteral("sendButton"));

        content->setPlainText(QStringLiteral("whatever"));
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(env.prompter.allTexts(), QStringList{QStringLiteral("请输入标题！")});
        QCOMPARE(env.prompter.prompts.at(0).title, QStringLiteral("提示"));

        title->setText(QStringLiteral("t"));
        content->clear();
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请输入内容！"));
        QVERIFY(m_standIn->log(QStringLiteral("maker")).isEmpty());
    }

    void suggestSends()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        SuggestDialog dialog(*env.context);
        auto *title = dialog.findChild<QLineEdit *>(QStringLiteral("titleEdit"));
        auto *qq = dialog.findChild<QLineEdit *>(QStringLiteral("qqEdit"));
        auto *email = dialog.findChild<QLineEdit *>(QStringLiteral("emailEdit"));
        auto *content = dialog.findChild<QPlainTextEdit *>(QStringLiteral("contentEdit"));
        auto *send = dialog.findChild<QPushButton *>(QStringLiteral("sendButton"));
        title->setText(QStringLiteral("  列表 & 排序 #2  "));
        qq->setText(QStringLiteral(" 12345 "));
        email->setText(QStringLiteral("a+b@example.com"));
        content->setPlainText(QStringLiteral("first line\nsecond=100%;"));

        standin::Behaviour slow;
        slow.delayMs = 300;
        m_standIn->setBehaviour(QStringLiteral("/maker/suggest.asp"), slow);
        QString captionDuring;
        bool enabledDuring = true;
        QTimer::singleShot(100, &dialog, [&] {
            captionDuring = send->text();
            enabledDuring = send->isEnabled();
        });
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(captionDuring, QStringLiteral("正在提交"));
        QVERIFY(!enabledDuring);

        const auto log = m_standIn->log(QStringLiteral("maker"));
        QCOMPARE(log.size(), 1);
        QCOMPARE(log.at(0).path, QStringLiteral("/suggest.asp"));
        QStringList keys;
        for (const auto &item : log.at(0).items)
            keys.append(item.first);
        QCOMPARE(keys,
                 (QStringList{QStringLiteral("soft"), QStringLiteral("title"), QStringLiteral("tp"),
                              QStringLiteral("qq"), QStringLiteral("email"), QStringLiteral("content")}));
        QCOMPARE(log.at(0).items.at(0).second, QStringLiteral("Veltrana1.0"));
        QCOMPARE(log.at(0).items.at(1).second, QStringLiteral("列表 & 排序 #2"));
        QCOMPARE(log.at(0).items.at(2).second, QStringLiteral("一般性建议"));
        QCOMPARE(log.at(0).items.at(3).second, QStringLiteral("12345"));
        QCOMPARE(log.at(0).items.at(4).second, QStringLiteral("a+b@example.com"));
        QCOMPARE(log.at(0).items.at(5).second, QStringLiteral("first line\nsecond=100%;"));

        QCOMPARE(env.prompter.allTexts(), QStringList{QStringLiteral("您的建议已经提交，非常感谢！")});
        QCOMPARE(title->text(), QString());
        QCOMPARE(content->toPlainText(), QString());
        QCOMPARE(qq->text(), QStringLiteral(" 12345 ")); // kept as typed
        QCOMPARE(send->text(), QStringLiteral("确定发送"));
        QVERIFY(send->isEnabled());
    }

    void suggestThanksOnlyWhenTheMakerAccepted_data()
    {
        QTest::addColumn<bool>("configured");
        QTest::newRow("no maker configured") << false;
        QTest::newRow("500 answer") << true;
    }

    void suggestThanksOnlyWhenTheMakerAccepted()
    {
        QFETCH(bool, configured);
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        if (!configured)
            env.context->endpoints().setBase(Endpoints::Service::Maker, QString());
        m_standIn->setBehaviour(QStringLiteral("/maker/suggest.asp"), standin::Behaviour{0, 500, {}, false, false, -1});
        SuggestDialog dialog(*env.context);
        auto *title = dialog.findChild<QLineEdit *>(QStringLiteral("titleEdit"));
        auto *content = dialog.findChild<QPlainTextEdit *>(QStringLiteral("contentEdit"));
        auto *send = dialog.findChild<QPushButton *>(QStringLiteral("sendButton"));

        // A title of spaces is no title.
        title->setText(QStringLiteral("   "));
        content->setPlainText(QStringLiteral("the filter forgets its boxes"));
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请输入标题！"));

        title->setText(QStringLiteral("filter"));
        QTest::mouseClick(send, Qt::LeftButton);
        m_standIn->clearBehaviours();
        QVERIFY(!env.prompter.allTexts().contains(QStringLiteral("您的建议已经提交，非常感谢！")));
        QCOMPARE(env.prompter.prompts.last().icon, Prompter::Icon::Warning);
        QCOMPARE(title->text(), QStringLiteral("filter"));
        QCOMPARE(content->toPlainText(), QStringLiteral("the filter forgets its boxes"));
        QVERIFY(send->isEnabled());
    }

    void spacesOnlyTitleGoesOutEmpty()
    {
        TestEnv env(m_standIn.get(), TestEnv::BeforeStartUp);
        Feedback f;
        f.title = QStringLiteral("   ");
        f.type = QStringLiteral("BUG报告");
        f.content = QStringLiteral("x");
        const QUrl url(f.requestUrl(env.context->endpoints()));
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("title")), QString());
        QCOMPARE(query.queryItemValue(QStringLiteral("tp"), QUrl::FullyDecoded), QStringLiteral("BUG报告"));

        env.context->endpoints().setBase(Endpoints::Service::Maker, QString());
        QCOMPARE(f.requestUrl(env.context->endpoints()), QString());
    }

    void exportProgressPacksAsideAndCancels()
    {
        QWidget window;
        ExportProgressDialog progress(&window);
        auto *dialog = window.findChild<QProgressDialog *>(QStringLiteral("exportProgress"));
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("导出数据"));
        QVERIFY(progress.update(0));
        QVERIFY(progress.update(40));
        QCOMPARE(dialog->value(), 40);

        // The packing step runs on another thread while this one handles
        // its events: the step here needs a timer of this thread to go on.
        QSemaphore released;
        QThread *ranOn = nullptr;
        bool heard = false;
        // Meanwhile the bar is a busy indicator: the step tells no progress.
        int busyMaximum = -1;
        QTimer::singleShot(0, &window, [&] {
            busyMaximum = dialog->maximum();
            released.release();
        });
        progress.runAside([&] {
            ranOn = QThread::currentThread();
            heard = released.tryAcquire(1, 2000);
        });
        QVERIFY(ranOn && ranOn != QThread::currentThread());
        QVERIFY(heard);
        QCOMPARE(busyMaximum, 0);
        QCOMPARE(dialog->maximum(), 100);
        QCOMPARE(dialog->value(), 40);

        // The user's cancel stops the export at its next block.
        dialog->cancel();
        QVERIFY(!progress.update(60));
        QVERIFY(!progress.update(60));
    }

private:
    std::unique_ptr<standin::StandIn> m_standIn;
};

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestDialogs test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_dialogs.moc"
