#pragma once

#include "common/Prompter.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>

// What every headless command shares: its option parser, the Ctrl-C
// handling, the row printer, the exit statuses and its one voice on
// standard error.
namespace Cli {

enum Exit : int {
    Done = 0,
    Failed = 1,        // nothing or not everything could be done (no database, a write error)
    Usage = 2,         // bad arguments: the usage went to standard error
    Incomplete = 3,    // finished, but some requests failed
    Interrupted = 130, // stopped by Ctrl-C
};

struct Option {
    QString name; // without the dashes: "engines"
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
    // The last value given to the option.
    QString value(const QString &name) const { return m_values.value(name); }
    // Every value given to an option that may be repeated, in order.
    QStringList values(const QString &name) const { return m_all.value(name); }
    QStringList words() const { return m_words; }

private:
    QHash<QString, QString> m_values;
    QHash<QString, QStringList> m_all;
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
    explicit RowPrinter(FILE *stream = stdout)
        : m_stream(stream)
    {
    }
    void print(const QStringList &fields);
    bool failed() const { return m_failed; }
    // Why the failed write failed ("No space left on device").
    QString error() const { return m_error; }
    static QString field(QString text);

private:
    FILE *m_stream;
    bool m_failed = false;
    QString m_error;
};

// Standard error carries nothing but lines that start "veltrana: ", written
// here and nowhere else. A failure reads "veltrana: <what failed>: <reason>",
// followed by " — <message>" when the window would say it in a Chinese
// message of its own; a line break inside any part becomes a space, so one
// failure is one line.
void fail(const QString &what, const QString &reason, const QString &message = {});
// What is not a failure (progress, a file written, Ctrl-C heard):
// "veltrana: <text>".
void note(const QString &text);
// A long step's progress on one terminal line, "veltrana: exporting: 42%",
// rewritten in place as it rises; nothing at all when standard error is no
// terminal (a log, a pipe), where such lines would only be noise. The line
// is ended when the object goes, before any other line is written.
class ProgressLine
{
public:
    explicit ProgressLine(const QString &what);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;
    // `after` follows the percent: what the step does while it tells no
    // progress of its own.
    void show(int percent, const QString &after = {});

private:
    QByteArray m_what;
    bool m_terminal;
    int m_percent = -1;
    QString m_after;
    qsizetype m_length = 0;
};

// A bad command line: fail(what, problem), then the usage; returns Usage.
int usageError(const QString &what, const QString &problem, const QString &usage);

// The prompter a command runs with. Nobody is there to answer, so every
// question gets the cautious answer and no file is chosen. Messages are
// not printed: the command that meets the failure says it with fail(), and
// may add what was held here as its message.
class ConsolePrompter : public Prompter
{
public:
    void message(const QString &title, const QString &text, Icon icon) override;
    Answer askYesNo(const QString &, const QString &) override { return Answer::No; }
    Answer askOkCancel(const QString &, const QString &) override { return Answer::Cancel; }
    bool askText(const QString &, const QString &, QString &) override { return false; }
    QString openFileName(const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }

    // The messages held so far, in order, one per line.
    QString said() const { return m_said.join(QLatin1Char('\n')); }

private:
    QStringList m_said;
};

} // namespace Cli
