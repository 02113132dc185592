#pragma once

// Reads report files back with parsers that share nothing with our writers:
// Python's csv module and openpyxl (python3-openpyxl).

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace readback {

inline QString python()
{
    // The system interpreter has the Debian modules; a user's pyenv may not.
    if (QFile::exists(QStringLiteral("/usr/bin/python3")))
        return QStringLiteral("/usr/bin/python3");
    return QStandardPaths::findExecutable(QStringLiteral("python3"));
}

// Runs a script with `path` as its argument; its standard output as JSON.
inline QJsonValue run(const char *script, const QString &path)
{
    QProcess p;
    p.start(python(), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) {
        qWarning("python failed: %s", p.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object().value(QStringLiteral("v"));
}

inline QList<QStringList> rows(const QJsonValue &v)
{
    QList<QStringList> out;
    for (const QJsonValue &row : v.toArray()) {
        QStringList cells;
        for (const QJsonValue &c : row.toArray())
            cells.append(c.toString());
        out.append(cells);
    }
    return out;
}

// Every row of a UTF-8 (with byte-order mark) CSV file.
inline QList<QStringList> csv(const QString &path)
{
    return rows(run("import csv, json, sys\n"
                    "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                    "    print(json.dumps({'v': list(csv.reader(f))}))\n",
                    path));
}

struct Workbook {
    QList<QStringList> rows; // every row of the first sheet, empty cells as ""
    bool headerBold = false;
    double headerSize = 0;
    QList<double> widths;     // widths of the used columns
    QList<QStringList> types; // per cell: "n" a number, "s" text, "" empty
};

inline Workbook xlsx(const QString &path)
{
    const QJsonObject o =
        run("import json, sys, openpyxl\n"
            "from openpyxl.utils import get_column_letter\n"
            "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
            "rows = [['' if c is None else str(c) for c in r] for r in ws.iter_rows(values_only=True)]\n"
            "h = ws.cell(row=1, column=1).font\n"
            "w = [ws.column_dimensions[get_column_letter(i)].width or 0 for i in range(1, ws.max_column + 1)]\n"
            "t = [['' if c is None else ('n' if isinstance(c, (int, float)) else 's') for c in r]"
            " for r in ws.iter_rows(values_only=True)]\n"
            "print(json.dumps({'v': {'rows': rows, 'bold': bool(h.b), 'size': h.sz or 0, 'widths': w,"
            " 'types': t}}))\n",
            path)
            .toObject();
    Workbook book;
    book.rows = rows(o.value(QStringLiteral("rows")));
    book.headerBold = o.value(QStringLiteral("bold")).toBool();
    book.headerSize = o.value(QStringLiteral("size")).toDouble();
    book.types = rows(o.value(QStringLiteral("types")));
    for (const QJsonValue &w : o.value(QStringLiteral("widths")).toArray())
        book.widths.append(w.toDouble());
    return book;
}

} // namespace readback
