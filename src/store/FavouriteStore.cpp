#include "store/FavouriteStore.h"

#include "store/DayResults.h"
#include "store/TextFiles.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool needsEscape(QChar c, bool first)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|%");
    return c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c) || (first && c == u'.');
}

} // namespace

FavouriteStore::FavouriteStore(const QString &folder)
    : m_folder(folder)
{
}

bool FavouriteStore::parseKey(const QString &key, Key *out)
{
    const qsizetype first = key.indexOf(u'#');
    const qsizetype second = first < 0 ? -1 : key.indexOf(u'#', first + 1);
    const qsizetype last = key.lastIndexOf(u'#');
    const qsizetype beforeLast = last <= 0 ? -1 : key.lastIndexOf(u'#', last - 1);
    if (first < 0 || second < 0 || beforeLast <= second)
        return false;
    bool depthOk = false;
    bool allOk = false;
    const int depth = key.mid(beforeLast + 1, last - beforeLast - 1).toInt(&depthOk);
    const int all = key.mid(last + 1).toInt(&allOk);
    if (!depthOk || depth < 0 || depth > 2 || !allOk)
        return false;
    if (out) {
        out->engineList = key.left(first);
        out->site = key.mid(first + 1, second - first - 1);
        out->keyword = key.mid(second + 1, beforeLast - second - 1);
        out->depthIndex = depth;
        out->allMatches = all != 0;
    }
    return true;
}

QString FavouriteStore::encodeName(const QString &key)
{
    QString out;
    out.reserve(key.size());
    for (qsizetype i = 0; i < key.size(); ++i) {
        const QChar c = key.at(i);
        if (needsEscape(c, i == 0))
            out += u'%' + QStringLiteral("%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            out += c;
    }
    return out;
}

QString FavouriteStore::decodeName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == u'%' && i + 2 < name.size()) {
            bool ok = false;
            const uint value = name.mid(i + 1, 2).toUInt(&ok, 16);
            if (ok) {
                out += QChar(char16_t(value));
                i += 2;
                continue;
            }
        }
        out += name.at(i);
    }
    return out;
}

QString FavouriteStore::keyOfName(const QString &name)
{
    const QString decoded = decodeName(name);
    return encodeName(decoded) == name ? decoded : name;
}

bool FavouriteStore::folderExists() const { return QFileInfo(m_folder).isDir(); }

QString FavouriteStore::pathOf(const QString &key) const { return m_folder + u'/' + folderNameOf(key); }

QStringList FavouriteStore::folderNames() const
{
    return QDir(m_folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QStringList FavouriteStore::keys() const
{
    QStringList out;
    for (const QString &name : folderNames())
        out.append(keyOfName(name));
    return out;
}

QString FavouriteStore::folderNameOf(const QString &key) const
{
    // Exact names only: a case-insensitive file system must not make
    // "Site" the favourite of "site".
    const QStringList names = folderNames();
    if (names.contains(key) && keyOfName(key) == key)
        return key;
    for (const QString &name : names) {
        if (keyOfName(name) == key)
            return name;
    }
    return encodeName(key);
}

bool FavouriteStore::contains(const QString &key) const
{
    if (key.isEmpty())
        return false;
    for (const QString &name : folderNames()) {
        if (keyOfName(name) == key)
            return true;
    }
    return false;
}

bool FavouriteStore::create(const QString &key)
{
    if (key.isEmpty())
        return false;
    return QDir().mkpath(pathOf(key));
}

bool FavouriteStore::remove(const QString &key)
{
    if (key.isEmpty())
        return false;
    QDir dir(pathOf(key));
    if (!dir.exists())
        return true;
    return dir.removeRecursively();
}

bool FavouriteStore::writeDay(const QString &key, const QString &date, const QStringList &lines, QString *failure)
{
    const auto refuse = [failure](const QString &why) {
        if (failure)
            *failure = why;
        return false;
    };
    if (key.isEmpty() || !QFileInfo(pathOf(key)).isDir())
        return refuse(QStringLiteral("the favourite has no folder"));
    // A date text a file name cannot hold gets no day file.
    if (date.isEmpty() || encodeName(date) != date)
        return refuse(QStringLiteral("not a date a file can be named by: ") + date);
    return TextFiles::writeLines(pathOf(key) + u'/' + date + QStringLiteral(".txt"), lines, failure);
}

QStringList FavouriteStore::readDay(const QString &key, const QString &date, bool *exists) const
{
    if (exists)
        *exists = false;
    if (key.isEmpty() || date.isEmpty() || encodeName(date) != date)
        return {};
    QStringList lines = TextFiles::readLines(pathOf(key) + u'/' + date + QStringLiteral(".txt"), exists);
    lines.removeAll(QString());
    return lines;
}

QVector<FavouriteStore::DayFile> FavouriteStore::history(const QString &key) const
{
    if (key.isEmpty())
        return {};
    return historyOfFolder(folderNameOf(key));
}

QVector<FavouriteStore::DayFile> FavouriteStore::historyOfFolder(const QString &name) const
{
    QVector<DayFile> out;
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/'))
        return out;
    const QDir dir(m_folder + u'/' + name);
    // Date names sort in date order.
    const QFileInfoList files = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo &file : files) {
        if (DayResults::isResultsFile(file.fileName()))
            continue;
        DayFile day;
        day.date = file.fileName().section(u'.', 0, 0);
        day.lines = TextFiles::readLines(file.filePath());
        day.lines.removeAll(QString());
        out.append(day);
    }
    return out;
}

QString FavouriteStore::dayPath(const QString &key, const QString &date) const
{
    return pathOf(key) + u'/' + date + QStringLiteral(".txt");
}

QString FavouriteStore::resultsPath(const QString &key, const QString &date) const
{
    return pathOf(key) + u'/' + DayResults::fileName(date);
}

QString FavouriteStore::resultsPathOfFolder(const QString &name, const QString &date) const
{
    return m_folder + u'/' + name + u'/' + DayResults::fileName(date);
}
