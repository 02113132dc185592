// The Debian package as a user gets it: unpacked with dpkg-deb into a
// throw-away root, its program folder mounted read-only (as /opt/veltrana is
// for anyone but root), HOME a fresh folder. The programs run from there and
// keep their data in the per-user folder. CTest builds the package first
// (fixture "package").

#include "StandIn.h"
#include "pages.h"

#include <QDirIterator>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kProgramDir = QStringLiteral("/opt/veltrana");

struct Run {
    int status = -1;
    QString out;
    QString err;
};

// Runs a tool to its end; for the few system tools the test needs.
Run tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(20000)) {
        r.err = p.errorString();
        p.kill();
        p.waitForFinished(2000);
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The newest package the build made.
QString packageFile()
{
    const QFileInfoList debs = QDir(QStringLiteral(VELTRANA_PACKAGE_DIR))
                                   .entryInfoList({QStringLiteral("veltrana_*.deb")}, QDir::Files, QDir::Time);
    return debs.isEmpty() ? QString() : debs.first().absoluteFilePath();
}

// A folder bound onto itself read-only: even root cannot write there, which
// a chmod would not give. Undone when the test case ends.
class ReadOnlyMount
{
public:
    explicit ReadOnlyMount(const QString &dir)
        : m_dir(dir)
    {
        const Run bind = tool(QStringLiteral("mount"), {QStringLiteral("--bind"), dir, dir});
        if (bind.status != 0) {
            m_refusal = bind.err.trimmed();
            return;
        }
        m_mounted = true;
        const Run ro = tool(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro,bind"), dir});
        if (ro.status != 0)
            m_refusal = ro.err.trimmed();
    }
    ~ReadOnlyMount()
    {
        if (m_mounted && tool(QStringLiteral("umount"), {m_dir}).status != 0)
            tool(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir});
    }
    ReadOnlyMount(const ReadOnlyMount &) = delete;
    ReadOnlyMount &operator=(const ReadOnlyMount &) = delete;

    bool readOnly() const { return m_mounted && m_refusal.isEmpty(); }
    QString refusal() const { return m_refusal; }

private:
    QString m_dir;
    bool m_mounted = false;
    QString m_refusal;
};

// Every file below a folder with its size and time: what "unchanged" means here.
QStringList listing(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        out << it.filePath() + u' ' + QString::number(it.fileInfo().size()) + u' '
                + it.fileInfo().lastModified().toString(Qt::ISODateWithMs);
    }
    out.sort();
    return out;
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_deb = packageFile();
        QVERIFY2(!m_deb.isEmpty(),
                 "no veltrana_*.deb in " VELTRANA_PACKAGE_DIR ": run cpack (ctest does, fixture \"package\")");
        QVERIFY(m_root.isValid() && m_home.isValid());
        const Run x = tool(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), m_deb, m_root.path()});
        QVERIFY2(x.status == 0, qPrintable(x.err));
        QVERIFY(m_web.listen(0));
        // No engine waits between requests.
        QSettings config(m_home.filePath(QStringLiteral(".config/Veltrana/V1.0.0.conf")), QSettings::IniFormat);
        for (const char *key : {"Config/googlese", "Config/yahoose", "Config/bingse"})
            config.setValue(QString::fromLatin1(key), 0);
    }

    // What the desktop and the shell use must lead to files the package holds.
    void entriesPointIntoThePackage()
    {
        const QString link = m_root.filePath(QStringLiteral("usr/bin/veltrana"));
        QVERIFY2(QFileInfo(link).isSymLink(), qPrintable(link));
        QCOMPARE(QFileInfo(link).symLinkTarget(), kProgramDir + QStringLiteral("/veltrana"));

        QSettings desktop(m_root.filePath(QStringLiteral("usr/share/applications/veltrana.desktop")),
                          QSettings::IniFormat);
        desktop.beginGroup(QStringLiteral("Desktop Entry"));
        const QString exec = desktop.value(QStringLiteral("Exec")).toString();
        QVERIFY2(QFileInfo(m_root.path() + exec).isExecutable(), qPrintable(exec));
        const QString icon = desktop.value(QStringLiteral("Icon")).toString();
        QVERIFY(QFile::exists(
            m_root.filePath(QStringLiteral("usr/share/icons/hicolor/scalable/apps/") + icon + QStringLiteral(".svg"))));
        QVERIFY(!desktop.value(QStringLiteral("Name[zh_CN]")).toString().isEmpty());
        QVERIFY(!desktop.value(QStringLiteral("Comment[zh_CN]")).toString().isEmpty());

        QCOMPARE(QDir(program()).entryList(QDir::Files, QDir::Name),
                 (QStringList{QStringLiteral("update"), QStringLiteral("veltrana"), QStringLiteral("ver.txt")}));
        QVERIFY(QFile::exists(m_root.filePath(QStringLiteral("usr/share/doc/veltrana/copyright"))));

        // The shipped rule sets, where the program looks for them.
        const QDir rules(QStringLiteral(VELTRANA_SOURCE_DIR "/rules"));
        const QStringList sets = rules.entryList(QDir::Files, QDir::Name);
        QCOMPARE(QDir(program() + QStringLiteral("/rules")).entryList(QDir::Files, QDir::Name), sets);
        for (const QString &name : sets) {
            QFile shipped(program() + QStringLiteral("/rules/") + name);
            QFile source(rules.filePath(name));
            QVERIFY(shipped.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
            QVERIFY2(shipped.readAll() == source.readAll(), qPrintable(name));
        }
    }

    // From a folder nobody can write, commands find their data in the
    // per-user folder, made on the first run.
    void runsFromAReadOnlyProgramFolder()
    {
        ReadOnlyMount mount(program());
        if (!mount.readOnly())
            QSKIP(qPrintable(QStringLiteral("a read-only bind mount was refused here (") + mount.refusal()
                             + QStringLiteral("): this case needs root with the right to mount")));
        QVERIFY(!QFile(program() + QStringLiteral("/probe")).open(QIODevice::WriteOnly));
        const QStringList before = listing(program());

        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY2(help.out.contains(QStringLiteral("\n  counts ")), qPrintable(help.out));
        // The updater takes "ver.txt" for the installed version: it must be the program's.
        QFile ver(program() + QStringLiteral("/ver.txt"));
        QVERIFY(ver.open(QIODevice::ReadOnly));
        QCOMPARE(run({QStringLiteral("--version")}).out,
                 QStringLiteral("veltrana ") + QString::fromLatin1(ver.readLine().trimmed()) + u'\n');

        // A fresh user: the first command makes the per-user folder.
        const QString perUser = m_home.filePath(QStringLiteral(".local/share/veltrana"));
        QVERIFY(!QDir(perUser).exists());
        const Run list = run({QStringLiteral("db"), QStringLiteral("list")});
        QVERIFY2(list.status == 0, qPrintable(list.err));
        QVERIFY(QFile::exists(perUser + QStringLiteral("/db.sqlite")));

        // The endpoints there send the counts to the stand-in.
        QVERIFY(m_web.writeEndpoints(perUser + QStringLiteral("/endpoints.ini")));
        const QString keyword = QStringLiteral("hiking boots");
        const Run counts = run({QStringLiteral("counts"), QStringLiteral("--engines=google,bing"), keyword});
        QVERIFY2(counts.status == 0, qPrintable(counts.err));
        const QString google = QString::number(standin::detail::resultCount(keyword, standin::detail::Google));
        const QString bing = QString::number(standin::detail::resultCount(keyword, standin::detail::Bing));
        QCOMPARE(counts.out, keyword + u'\t' + google + QStringLiteral("\t-\t") + bing + u'\n');

        QCOMPARE(listing(program()), before);
    }

    // The window starts there too; "ver.txt" stays as the package left it.
    void windowStartsFromAReadOnlyProgramFolder()
    {
        ReadOnlyMount mount(program());
        if (!mount.readOnly())
            QSKIP(qPrintable(QStringLiteral("a read-only bind mount was refused here (") + mount.refusal() + u')'));
        const QString perUser = m_home.filePath(QStringLiteral(".local/share/veltrana"));
        QVERIFY(QDir(perUser).removeRecursively());
        const QStringList before = listing(program());
        const Run window =
            run({QStringLiteral("--quit-after"), QStringLiteral("500")},
                {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
                 {QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--no-sandbox --disable-gpu")}});
        QVERIFY2(window.status == 0, qPrintable(window.err));
        QVERIFY2(window.out.contains(QStringLiteral("veltrana: window shown")), qPrintable(window.out + window.err));
        QVERIFY(QFile::exists(perUser + QStringLiteral("/db.sqlite")));
        QCOMPARE(listing(program()), before);
    }

private:
    QString program() const { return m_root.path() + kProgramDir; }

    // The unpacked program as a user starts it: no data folder given, HOME
    // the only hint where a user's files go. The stand-in lives in this
    // process, so the event loop runs while the program works.
    Run run(const QStringList &args, const QList<QPair<QString, QString>> &extraEnv = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"VELTRANA_HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), m_home.path());
        for (const auto &[name, value] : extraEnv)
            env.insert(name, value);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(program() + QStringLiteral("/veltrana"), args);
        Run r;
        if (!p.waitForStarted(5000))
            return r;
        QSignalSpy finished(&p, &QProcess::finished);
        if (!finished.wait(20000)) {
            p.kill();
            p.waitForFinished(2000);
        }
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    QString m_deb;
    QTemporaryDir m_root;
    QTemporaryDir m_home;
    standin::StandIn m_web;
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
