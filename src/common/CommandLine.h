#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>

// What every headless command shares: its option parser, the Ctrl-C
// handling, the row printer and the exit statuses.
namespace Cli {

enum Exit : int {
    Done = 0,
    Failed = 1,        // nothing or not everything could be done (no database, a write error)
    Usage = 2,         // bad arguments: the usage went to standard error
    Incomplete = 3,    // finished, but some requests failed
    Interrupted = 130, // stopped by Ctrl-C
};

struct Option {
    QString name;      // without the dashes: "engines"
    bool takesValue = false;
};

// "--name value" and "--name=value"; "--" ends the options, so everything
// after it is a plain word even when it starts with dashes.
class Arguments
{
public:
    // False for an unknown option, a missing value or a value given to a
    // switch; error() then says which.
    bool parse(const QStringList &args, const QList<Option> &options);
    QString error() const { return m_error; }

    bool isSet(const QString &name) const { return m_values.contains(name); }
    QString value(const QString &name) const { return m_values.value(name); }
    QStringList words() const { return m_words; }

private:
    QHash<QString, QString> m_values;
    QStringList m_words;
    QString m_error;
};

// The first Ctrl-C says so on stderr and calls `onFirst` from the event loop
// (the job then stops after its current item, keeping what it stored); a second one ends the
// program at once with status 130. The previous handler is back when the
// watch goes.
class InterruptWatch : public QObject
{
    Q_OBJECT
public:
    explicit InterruptWatch(std::function<void()> onFirst = {}, QObject *parent = nullptr);
    ~InterruptWatch() override;
    bool interrupted() const;

private:
    void notice();

    std::function<void()> m_onFirst;
    bool m_fired = false;
    struct Private;
    Private *d;
};

// One line per row: the fields joined by tabs, with tabs, line breaks and
// other control characters (NUL too) inside a field turned into spaces so a
// field can never split a line or a column. UTF-8. Remembers a failed write (a full disk, say).
class RowPrinter
{
public:
    explicit RowPrinter(FILE *stream = stdout) : m_stream(stream) {}
    void print(const QStringList &fields);
    bool failed() const { return m_failed; }
    static QString field(QString text);

private:
    FILE *m_stream;
    bool m_failed = false;
};

// "veltrana: <problem>" and the usage on standard error; returns Usage.
int usageError(const QString &problem, const QString &usage);
// "veltrana: <text>" on standard error.
void complain(const QString &text);

} // namespace Cli
