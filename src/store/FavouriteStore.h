#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

// The favourites folder "myfav": one folder per favourite, named by its key,
// holding one day file per date ("yyyy-MM-dd.txt", GB18030, CR LF) and,
// beside a day file, the organic results that day's scan read
// ("yyyy-MM-dd.results.gz", DayResults).
//
// A key: engine list # site # keyword # record-count index # all matches.
// A new favourite's folder is named by its key with every character a file
// name cannot hold percent-encoded ("%" itself too, and a leading "."), so no
// site or keyword text can reach outside the folder. Older versions wrote the
// key raw: a name that is not exactly what this version's encoding makes is
// taken as such a raw key, and every favourite is read from and written to
// the very folder it was found in, whatever its name.
class FavouriteStore
{
public:
    // A key read from its fixed ends: the engine list up to the first "#",
    // the site up to the second, the record-count index and the all-matches
    // value after the last two; the keyword is everything between, "#"s and all.
    struct Key {
        QString engineList, site, keyword;
        int depthIndex = 1;
        bool allMatches = false;
    };
    // False when the text is no key: fewer than five parts, a record-count
    // index other than 0, 1 or 2, or an all-matches value that is no number.
    static bool parseKey(const QString &key, Key *out);

    struct DayFile {
        QString date;      // the file name up to its first "."
        QStringList lines; // non-empty lines: label|position|link
    };

    // `folder`: the "myfav" folder itself.
    explicit FavouriteStore(const QString &folder);

    static QString encodeName(const QString &key);
    static QString decodeName(const QString &name);
    // The key a folder name stands for: decoded when the name is this
    // version's encoding of it, the name itself otherwise.
    static QString keyOfName(const QString &name);
    static QString dateText(const QDate &date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

    QString folder() const { return m_folder; }
    bool folderExists() const;
    // Every favourite folder's name, sorted.
    QStringList folderNames() const;
    // Every favourite key, sorted by folder name.
    QStringList keys() const;
    // The folder that holds the favourite `key`: the existing one (a folder
    // named exactly `key` first), else the name a new one gets.
    QString folderNameOf(const QString &key) const;
    // Whether the favourite exists (IsSaves): exact, case-sensitive.
    bool contains(const QString &key) const;
    // Creates the favourite's folder (and "myfav" when missing).
    bool create(const QString &key);
    // Removes the favourite's folder with its day files; true when it is gone.
    bool remove(const QString &key);

    // Writes (or replaces) the day file of `date`. False when the favourite
    // has no folder or the file cannot be written (an existing day file is
    // then as it was); `failure` gets the reason.
    bool writeDay(const QString &key, const QString &date, const QStringList &lines, QString *failure = nullptr);
    // Where the day file of `date` lives (for messages).
    QString dayPath(const QString &key, const QString &date) const;
    // The lines of one day file; empty when there is none.
    QStringList readDay(const QString &key, const QString &date, bool *exists = nullptr) const;
    // Where the results read on `date` live, beside its day file.
    QString resultsPath(const QString &key, const QString &date) const;
    QString resultsPathOfFolder(const QString &name, const QString &date) const;

    // Every day file of the favourite, oldest first (results files are no day files).
    QVector<DayFile> history(const QString &key) const;
    // The same for the favourite folder of that name.
    QVector<DayFile> historyOfFolder(const QString &name) const;

private:
    QString pathOf(const QString &key) const;

    QString m_folder;
};
