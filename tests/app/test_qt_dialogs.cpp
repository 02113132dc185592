// Qt's own dialogs as the program opens them: every file dialog filter
// through a real QFileDialog (a scripted prompter takes any filter, so only
// the real dialog shows whether files are listed), and Qt's texts in Chinese.

#include "app/QtTranslation.h"
#include "common/ui/DialogPrompter.h"
#include "keyworddb/ui/KeywordDbTab.h"
#include "rank/SiteKeywordLists.h"
#include "reports/ReportExport.h"
#include "support/FileBytes.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <functional>

namespace {

constexpr int kWaitMs = 2000;

// The names the dialog lists as usable in its folder.
QStringList listedFiles(const QFileDialog &dialog)
{
    QStringList names;
    const auto *view = dialog.findChild<QListView *>(QStringLiteral("listView"));
    if (!view || !view->model())
        return names;
    const QModelIndex root = view->rootIndex();
    for (int r = 0; r < view->model()->rowCount(root); ++r) {
        const QModelIndex i = view->model()->index(r, 0, root);
        if (i.flags() & Qt::ItemIsEnabled)
            names << i.data().toString();
    }
    names.sort();
    return names;
}

QFileDialog *openFileDialog()
{
    QFileDialog *dialog = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] { return (dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) != nullptr; }, kWaitMs);
    return shown ? dialog : nullptr;
}

// Runs `show`, which opens a modal file dialog and returns when it closes;
// meanwhile reads what the dialog lists, then chooses `choose` (cancels when
// empty). Empty when no file dialog came up or it listed nothing in time.
QStringList listedWhile(const std::function<void()> &show, const QString &choose = {})
{
    QStringList listed;
    QTimer::singleShot(0, [&] {
        QFileDialog *dialog = openFileDialog();
        if (!dialog)
            return;
        if (!QTest::qWaitFor([&] { return !(listed = listedFiles(*dialog)).isEmpty(); }, kWaitMs) || choose.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed as the user types it (selectFile leaves a focused name box alone).
        if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
            QTest::keyClicks(name, choose);
        // As the user does it: the dialog's own accept button.
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        for (QAbstractButton *b : buttons ? buttons->buttons() : QList<QAbstractButton *>()) {
            if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole)
                b->click();
        }
        if (dialog->isVisible())
            dialog->reject();
    });
    show();
    return listed;
}

QStringList buttonTexts(const QWidget &dialog)
{
    QStringList texts;
    for (const QDialogButtonBox *box : dialog.findChildren<QDialogButtonBox *>()) {
        for (const QAbstractButton *b : box->buttons())
            texts << b->text();
    }
    return texts;
}

} // namespace

class TestQtDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_files;
    QString m_startDir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_files.isValid());
        for (const char *name : {"sites.txt", "r.htm", "r.xlsx", "r.csv", "notes.doc", "kw.tsv"})
            TestFiles::put(m_files.filePath(QString::fromLatin1(name)), "a.com\r\nb.com\r\n");
        // The dialogs open where the program was started.
        m_startDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_files.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_startDir); }

    void rankListDialogsListTextFiles()
    {
        TestEnv env;
        DialogPrompter prompter(nullptr);
        env.context->setPrompter(&prompter);
        SiteKeywordLists lists(*env.context);

        QCOMPARE(listedWhile([&] { lists.importSites(); }, QStringLiteral("sites.txt")),
                 QStringList{QStringLiteral("sites.txt")});
        QCOMPARE(lists.sites().count(), 2);
        QCOMPARE(lists.sites().cell(1, 0), QStringLiteral("b.com"));
        QCOMPARE(listedWhile([&] { lists.exportSites(); }), QStringList{QStringLiteral("sites.txt")});
        env.context->setPrompter(&env.prompter);
    }

    void keywordImportListsKeywordFiles()
    {
        TestEnv env;
        DialogPrompter prompter(nullptr);
        env.context->setPrompter(&prompter);
        KeywordDbTab tab(*env.context);
        // The first filter is the one shown: the three keyword file kinds.
        QCOMPARE(listedWhile([&] { tab.importKeywords(); }),
                 (QStringList{QStringLiteral("kw.tsv"), QStringLiteral("r.csv"), QStringLiteral("sites.txt")}));
        QCOMPARE(env.store().rowCount(), 0);
        env.context->setPrompter(&env.prompter);
    }

    void reportDialogsListTheirFormat()
    {
        DialogPrompter prompter(nullptr);
        const QMap<ReportFormat, QString> expected{{ReportFormat::Text, QStringLiteral("sites.txt")},
                                                   {ReportFormat::Html, QStringLiteral("r.htm")},
                                                   {ReportFormat::Workbook, QStringLiteral("r.xlsx")},
                                                   {ReportFormat::Csv, QStringLiteral("r.csv")}};
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QString filter = ReportExport::dialogFilter(it.key());
            QCOMPARE(listedWhile([&] { prompter.saveFileName(QStringLiteral("Save   Export   File"), filter, {}); }),
                     QStringList{it.value()});
        }
    }

    void qtDialogsSpeakChinese()
    {
        QTranslator *translator = installQtChinese(*qApp);
        QVERIFY2(translator, "qtbase_zh_CN not found (Debian: qt6-translations-l10n)");
        QVERIFY(!translator->isEmpty());

        QFileDialog save(nullptr, QStringLiteral("Save   Export   File"), m_files.path());
        save.setOption(QFileDialog::DontUseNativeDialog);
        save.setAcceptMode(QFileDialog::AcceptSave);
        save.show();
        const QStringList saveButtons = buttonTexts(save);
        QVERIFY2(saveButtons.join(u' ').contains(QStringLiteral("保存")), qPrintable(saveButtons.join(u'|')));
        QVERIFY2(saveButtons.join(u' ').contains(QStringLiteral("取消")), qPrintable(saveButtons.join(u'|')));
        QCOMPARE(save.windowTitle(), QStringLiteral("Save   Export   File")); // the program's own title stays

        QInputDialog input;
        input.setLabelText(QStringLiteral("请输入网站地址"));
        input.show();
        const QStringList inputButtons = buttonTexts(input);
        QVERIFY2(inputButtons.join(u' ').contains(QStringLiteral("确定")), qPrintable(inputButtons.join(u'|')));
        QVERIFY2(inputButtons.join(u' ').contains(QStringLiteral("取消")), qPrintable(inputButtons.join(u'|')));

        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestQtDialogs test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_qt_dialogs.moc"
