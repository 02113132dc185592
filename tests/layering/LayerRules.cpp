#include "LayerRules.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTextStream>

namespace LayerRules {

namespace {

// Folder -> floor, from src/floors.txt: "<floor> <folder> <folder>..." lines;
// '#' starts a comment.
QHash<QString, int> readFloors(const QString &file)
{
    QHash<QString, int> out;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return out;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine().section(QLatin1Char('#'), 0, 0);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        bool ok = false;
        const int floor = words.value(0).toInt(&ok);
        if (!ok)
            continue;
        for (const QString &folder : words.mid(1))
            out.insert(folder, floor);
    }
    return out;
}

// Programs of their own: they share nothing with the main program's folders.
bool isSeparateProgram(const QString &relativePath)
{
    return relativePath.startsWith(QLatin1String("src/updater/")) || relativePath.startsWith(QLatin1String("tools/"));
}

QStringList quotedIncludes(const QString &path)
{
    QFile file(path);
    QStringList out;
    if (!file.open(QIODevice::ReadOnly))
        return out;
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*"([^"]+)\")"));
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QRegularExpressionMatch m = include.match(in.readLine());
        if (m.hasMatch())
            out << m.captured(1);
    }
    return out;
}

bool isWidgetPath(const QString &path) { return path.contains(QLatin1String("/ui/")); }

void checkSeparateProgram(const QString &root, const QString &relative, const QString &include, QList<Violation> &out)
{
    const QString ownDir = QFileInfo(QDir(root).filePath(relative)).absolutePath();
    const QString target = QDir::cleanPath(QDir(ownDir).filePath(include));
    if (!include.contains(QLatin1String("..")) && QFileInfo::exists(target)
        && target.startsWith(ownDir + QLatin1Char('/')))
        return;
    out.append({relative, include, QStringLiteral("a separate program includes only its own files")});
}

void checkMainProgram(const QHash<QString, int> &floors, const QString &root, const QString &relative,
                      const QString &include, QList<Violation> &out)
{
    // src/<folder>/...: the folder decides the floor; main.cpp is the top.
    const QStringList parts = relative.split(QLatin1Char('/'));
    if (parts.size() == 2)
        return; // src/main.cpp sits on top of everything
    const QString folder = parts.at(1);
    const int ownFloor = floors.value(folder, -1);
    if (ownFloor < 0) {
        out.append(
            {relative, include, QStringLiteral("folder src/%1 has no floor: add it to src/floors.txt").arg(folder)});
        return;
    }
    if (include.contains(QLatin1String(".."))) {
        out.append({relative, include, QStringLiteral("include by folder name from src/, not by a relative path")});
        return;
    }
    const int slash = include.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        // A file beside this one (generated headers, a private helper).
        const QString ownDir = QFileInfo(QDir(root).filePath(relative)).absolutePath();
        if (!QFileInfo::exists(QDir(ownDir).filePath(include)) && !include.endsWith(QLatin1String(".moc")))
            out.append({relative, include, QStringLiteral("include by folder name from src/")});
        return;
    }
    const QString target = include.left(slash);
    const int targetFloor = floors.value(target, -1);
    if (target == QLatin1String("updater")) {
        out.append({relative, include, QStringLiteral("the updater shares no code with the main program")});
        return;
    }
    if (targetFloor < 0) {
        out.append({relative, include, QStringLiteral("src/%1 has no floor").arg(target)});
        return;
    }
    if (target != folder && targetFloor >= ownFloor) {
        const QString why = targetFloor == ownFloor
            ? QStringLiteral("%1 and %2 share a floor and never include each other")
            : QStringLiteral("%1 may not include %2, a higher floor");
        out.append({relative, include, why.arg(folder, target)});
        return;
    }
    if (isWidgetPath(include) && !isWidgetPath(relative))
        out.append({relative, include, QStringLiteral("logic never includes a widget header")});
}

} // namespace

int floorOf(const QString &root, const QString &folder)
{
    return readFloors(QDir(root).filePath(QLatin1String(kFloorsFile))).value(folder, -1);
}

QList<Violation> check(const QString &root)
{
    QList<Violation> out;
    const QDir base(root);
    const QHash<QString, int> floors = readFloors(base.filePath(QLatin1String(kFloorsFile)));
    if (floors.isEmpty())
        out.append({QLatin1String(kFloorsFile), {}, QStringLiteral("missing or names no folder")});
    for (const QString &top : {QStringLiteral("src"), QStringLiteral("tools")}) {
        QDirIterator it(base.filePath(top), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = base.relativeFilePath(path);
            for (const QString &include : quotedIncludes(path)) {
                if (isSeparateProgram(relative))
                    checkSeparateProgram(root, relative, include, out);
                else
                    checkMainProgram(floors, root, relative, include, out);
            }
        }
    }
    return out;
}

} // namespace LayerRules
