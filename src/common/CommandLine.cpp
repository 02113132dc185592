#include "common/CommandLine.h"

#include "common/FieldText.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <cstring>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace Cli {

bool Arguments::parse(const QStringList &args, const QList<Option> &options)
{
    m_values.clear();
    m_all.clear();
    m_words.clear();
    m_error.clear();
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (optionsEnded || !a.startsWith(QLatin1String("--"))) {
            m_words.append(a);
            continue;
        }
        if (a == u"--") {
            optionsEnded = true;
            continue;
        }
        const int eq = a.indexOf(QLatin1Char('='));
        const QString name = a.mid(2, eq < 0 ? -1 : eq - 2);
        const auto option =
            std::find_if(options.begin(), options.end(), [&name](const Option &o) { return o.name == name; });
        if (option == options.end()) {
            m_error = QStringLiteral("unknown option: --") + name;
            return false;
        }
        if (!option->takesValue) {
            if (eq >= 0) {
                m_error = QStringLiteral("--%1 takes no value").arg(name);
                return false;
            }
            m_values.insert(name, QString());
            continue;
        }
        if (eq >= 0) {
            m_values.insert(name, a.mid(eq + 1));
            m_all[name].append(a.mid(eq + 1));
        } else if (i + 1 < args.size()) {
            m_values.insert(name, args.at(++i));
            m_all[name].append(args.at(i));
        } else {
            m_error = QStringLiteral("missing value for --") + name;
            return false;
        }
    }
    return true;
}

// The signal handler may touch nothing but these: a flag and a socket to
// wake the event loop. One process has one SIGINT, so one set of them.
namespace {
volatile std::sig_atomic_t g_interrupts = 0;
int g_wakeFd = -1;

extern "C" void onInterrupt(int)
{
    if (g_interrupts > 0)
        _exit(Interrupted);
    g_interrupts = 1;
#ifdef Q_OS_UNIX
    if (g_wakeFd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto n = ::write(g_wakeFd, &byte, 1);
    }
#endif
}
} // namespace

struct InterruptWatch::Private {
    void (*previous)(int) = SIG_DFL;
    int fds[2] = {-1, -1};
    QSocketNotifier *notifier = nullptr;
    QTimer *poll = nullptr;
};

InterruptWatch::InterruptWatch(std::function<void()> onFirst, QObject *parent)
    : QObject(parent),
      m_onFirst(std::move(onFirst)),
      d(new Private)
{
    g_interrupts = 0;
#ifdef Q_OS_UNIX
    // Self-pipe: the handler writes a byte, the event loop wakes at once.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, d->fds) == 0) {
        g_wakeFd = d->fds[0];
        d->notifier = new QSocketNotifier(d->fds[1], QSocketNotifier::Read, this);
        connect(d->notifier, &QSocketNotifier::activated, this, [this] {
            char buffer[16];
            [[maybe_unused]] const auto n = ::read(d->fds[1], buffer, sizeof buffer);
            notice();
        });
    }
#endif
    if (!d->notifier) {
        d->poll = new QTimer(this);
        d->poll->setInterval(200);
        connect(d->poll, &QTimer::timeout, this, [this] {
            if (g_interrupts > 0)
                notice();
        });
        d->poll->start();
    }
    d->previous = std::signal(SIGINT, onInterrupt);
}

InterruptWatch::~InterruptWatch()
{
    std::signal(SIGINT, d->previous == SIG_ERR ? SIG_DFL : d->previous);
#ifdef Q_OS_UNIX
    g_wakeFd = -1;
    for (int fd : d->fds) {
        if (fd >= 0)
            ::close(fd);
    }
#endif
    delete d;
}

bool InterruptWatch::interrupted() const { return g_interrupts > 0; }

void InterruptWatch::notice()
{
    if (m_fired)
        return;
    m_fired = true;
    // Said at once, so the user (and a script) knows the key was heard while
    // the current item still runs.
    note(QStringLiteral("Ctrl-C: stopping after the current item (Ctrl-C again ends at once)"));
    if (m_onFirst)
        m_onFirst();
}

QString RowPrinter::field(QString text)
{
    // Tabs, line breaks and every other control character (NUL included):
    // a value from a page must not split a line or a column, nor drive the
    // terminal.
    for (QChar &c : text) {
        if (FieldText::breaksLine(c))
            c = u' ';
    }
    return text;
}

void RowPrinter::print(const QStringList &fields)
{
    QStringList clean;
    clean.reserve(fields.size());
    for (const QString &f : fields)
        clean.append(field(f));
    const QByteArray line = clean.join(QLatin1Char('\t')).toUtf8() + '\n';
    // Flushed per row: a script reading the output sees each keyword as it
    // comes, and a full disk shows up at the row it hit.
    errno = 0;
    if (std::fwrite(line.constData(), 1, size_t(line.size()), m_stream) != size_t(line.size())
        || std::fflush(m_stream) != 0) {
        if (!m_failed)
            m_error = errno != 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("write error");
        m_failed = true;
    }
}

namespace {

void writeLine(const QString &text)
{
    QString oneLine = text;
    for (QChar &c : oneLine) {
        if (c == u'\n' || c == u'\r')
            c = u' ';
    }
    const QByteArray line = QByteArrayLiteral("veltrana: ") + oneLine.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

void fail(const QString &what, const QString &reason, const QString &message)
{
    QString text = what + QStringLiteral(": ") + reason;
    if (!message.isEmpty())
        text += QStringLiteral(" — ") + message;
    writeLine(text);
}

void note(const QString &text) { writeLine(text); }

namespace {

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(fileno(stderr)) != 0;
#endif
}

} // namespace

ProgressLine::ProgressLine(const QString &what)
    : m_what(what.toUtf8()),
      m_terminal(stderrIsTerminal())
{
}

ProgressLine::~ProgressLine()
{
    if (m_terminal && m_length > 0) {
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

void ProgressLine::show(int percent, const QString &after)
{
    if (!m_terminal || (percent == m_percent && after == m_after))
        return;
    m_percent = percent;
    m_after = after;
    QByteArray text = "\rveltrana: " + m_what + ": " + QByteArray::number(percent) + '%';
    if (!after.isEmpty())
        text += ' ' + after.toUtf8();
    // Blanks over what a longer line before left on the terminal.
    const qsizetype length = text.size();
    text += QByteArray(qMax<qsizetype>(0, m_length - length), ' ');
    m_length = length;
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

int usageError(const QString &what, const QString &problem, const QString &usage)
{
    fail(what, problem);
    // The usage lines are help, not messages: as they are, after the failure.
    std::fputs(usage.toUtf8().constData(), stderr);
    std::fflush(stderr);
    return Usage;
}

void ConsolePrompter::message(const QString &, const QString &text, Icon) { m_said.append(text); }

} // namespace Cli
