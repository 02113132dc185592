#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

// The favourites folder "myfav": one folder per favourite, named by its key,
// holding one day file per date ("yyyy-MM-dd.txt", GB18030, CR LF).
//
// A key becomes a folder name only with every character a file name cannot
// hold percent-encoded ("%" itself too, and a leading "."), so no site or
// keyword text can reach outside the folder; names are decoded when read
// back, and a name without "%" reads back as it is.
class FavouriteStore
{
public:
    struct DayFile {
        QString date;          // the file name up to its first "."
        QStringList lines;     // non-empty lines: label|position|link
    };

    // `folder`: the "myfav" folder itself.
    explicit FavouriteStore(const QString &folder);

    static QString encodeName(const QString &key);
    static QString decodeName(const QString &name);
    static QString dateText(const QDate &date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

    QString folder() const { return m_folder; }
    bool folderExists() const;
    // Every favourite key, sorted by folder name.
    QStringList keys() const;
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
    // Every day file of the favourite, oldest first.
    QVector<DayFile> history(const QString &key) const;

private:
    QString pathOf(const QString &key) const;

    QString m_folder;
};
