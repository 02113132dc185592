#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

// Reading and laying down files around a test.
namespace TestFiles {

// The file's bytes; "<missing>" when there is none, so a file that vanished
// never compares equal to an empty one.
inline QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes a test's own file whole; the test fails when it cannot.
inline void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace TestFiles
