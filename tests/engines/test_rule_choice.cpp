#include "engines/RuleSetChoice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

// Which rule set reads the pages: --rules, then endpoints.ini, then the data
// folder's rules.ini, then the built-in set; a set that does not parse is
// refused with its file, line and reason, and the built-in set reads.
class TestRuleChoice : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_program, m_data;

    static void write(const QString &path, const QByteArray &text)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    static QByteArray set(const QByteArray &name)
    {
        return "[set]\nname = " + name + "\n[bing]\nresults = //li[hasclass('b_algo')]//h2/a/@href\n";
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_root.isValid());
        m_program = m_root.filePath(QStringLiteral("prog"));
        m_data = m_root.filePath(QStringLiteral("data"));
        QDir(m_data).removeRecursively();
        write(m_program + QStringLiteral("/rules/2019.ini"), set("2019"));
        write(m_program + QStringLiteral("/rules/2026.ini"), set("2026"));
        QVERIFY(QDir().mkpath(m_data));
    }

    void firstGivenPlaceDecides()
    {
        using RuleSetChoice::choose;
        QCOMPARE(choose({}, m_program, m_data).rules->name(), QStringLiteral("2010"));
        write(m_data + QStringLiteral("/rules.ini"), set("mine"));
        QCOMPARE(choose({}, m_program, m_data).rules->name(), QStringLiteral("mine"));
        write(m_data + QStringLiteral("/endpoints.ini"), "[endpoints]\nbing=http://127.0.0.1:1\nrules=2019\n");
        QCOMPARE(choose({}, m_program, m_data).rules->name(), QStringLiteral("2019"));
        QCOMPARE(choose(QStringLiteral("2026"), m_program, m_data).rules->name(), QStringLiteral("2026"));
        QCOMPARE(choose(QStringLiteral("2010"), m_program, m_data).rules->name(), QStringLiteral("2010"));
        QCOMPARE(choose(m_data + QStringLiteral("/rules.ini"), m_program, m_data).rules->name(),
                 QStringLiteral("mine"));
        QVERIFY(choose(QStringLiteral("2026"), m_program, m_data).refused.isEmpty());
    }

    void aBrokenSetIsRefusedAndSaid()
    {
        const QString file = m_data + QStringLiteral("/rules.ini");
        write(file, "[set]\nname = broken\n[bing]\ncount = //span\ncount.step = trim\n");
        const RuleSetChoice::Choice c = RuleSetChoice::choose({}, m_program, m_data);
        QCOMPARE(c.rules->name(), QStringLiteral("2010"));
        QVERIFY2(c.refused.startsWith(QDir::toNativeSeparators(file) + QStringLiteral(":5: unknown step \"trim\"")),
                 qPrintable(c.refused));
        QVERIFY(c.refused.endsWith(QStringLiteral("built-in set 2010")));

        const RuleSetChoice::Choice unknown = RuleSetChoice::choose(QStringLiteral("1999"), m_program, m_data);
        QCOMPARE(unknown.rules->name(), QStringLiteral("2010"));
        QVERIFY2(unknown.refused.contains(QStringLiteral("no rule set named 1999")), qPrintable(unknown.refused));
    }
};

QTEST_GUILESS_MAIN(TestRuleChoice)
#include "test_rule_choice.moc"
