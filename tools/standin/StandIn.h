#pragma once

// The outside web played on 127.0.0.1: search engines, the maker's site and the update server,
// each under its own path prefix on one port. Tests and the demo point the program at it.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace standin {

namespace detail {
struct HttpRequest;
struct HttpResponse;
} // namespace detail

// How the stand-in misbehaves for requests under one path prefix.
struct Behaviour {
    int delayMs = 0;              // answer after this long
    int status = 200;             // HTTP status to send
    QString redirectTo;           // non-empty: answer 302 with Location ("/google/..." is made absolute)
    bool emptyBody = false;       // 200 with empty body
    bool neverAnswer = false;     // read the request, never answer, keep the connection open
    int times = -1;               // how many matching requests it applies to; -1 = until cleared
    bool noContentLength = false; // send no "Content-Length"; the body ends when the connection closes
    qint64 cutBodyAt = -1;        // >= 0: announce the whole body, send this many bytes, close
    int slowBodyMs = 0;           // send the body in 512-byte pieces, one every slowBodyMs
    // A page of the test's own in place of the service's (hostile or broken
    // pages served with status 200): used when replacesBody is set.
    bool replacesBody = false;
    QByteArray body{};
    QByteArray contentType = "text/html; charset=utf-8";
};

struct LoggedRequest {
    QString service; // "google", "yahoo", "bing", "baidu", "baiduindex", "keywordtool", "maker", "figures", "update",
                     // "webhook"
    QString path;    // path within the service, e.g. "/search"
    QString query;   // decoded query string
    QList<QPair<QString, QString>> items; // decoded query items in order (then form-body items of a POST)
    QString userAgent;
    QHash<QByteArray, QByteArray> headers; // every request header, names lower-cased
    qint64 msecsSinceEpoch = 0;            // arrival time
    QString method;                        // "GET", "POST", ...
    QByteArray body;                       // raw request body
};

class StandIn : public QObject
{
    Q_OBJECT
public:
    explicit StandIn(QObject *parent = nullptr);
    ~StandIn() override;

    bool listen(quint16 port = 0); // 127.0.0.1 only; 0 = free port
    quint16 port() const;
    QString baseUrl() const;                           // "http://127.0.0.1:PORT"
    QString serviceBase(const QString &service) const; // baseUrl() + "/" + service
    bool writeEndpoints(const QString &iniPath) const;

    void setPublishedVersion(const QString &v); // default "1.0"
    // The version on the updater's page only (default: the published version),
    // so that the maker's site and the update server may tell different news.
    void setUpdateVersion(const QString &v);
    // The updater's version page: the "files" value (addresses joined by "||";
    // by default the stand-in's own notes.txt and veltrana-newver) and "names".
    void setUpdateFiles(const QString &files);
    void setUpdateProgramName(const QString &name); // default "veltrana"
    // A file served at serviceBase("update") + "/files/" + name.
    void setDownload(const QString &name, const QByteArray &bytes);
    QString downloadUrl(const QString &name) const;
    void setRelatedCount(int perSeed); // 0 = natural corpus sizes
    void plantRank(const QString &engine, const QString &keyword, const QString &site, int resultIndex);
    // The catalogue's list pages: these page numbers answer empty (any
    // category), and a test may give one page's whole text.
    void setEmptyCataloguePages(const QList<int> &pages);
    void setCataloguePage(int category, int page, const QString &text);
    void setBehaviour(const QString &pathPrefix, const Behaviour &b);
    void clearBehaviours();

    // Keyword tool page. The captcha shows on the first visit (default on) until
    // captchaAnswer() is given; switching it resets that.
    static QString captchaAnswer();
    void setToolCaptcha(bool on);
    void setToolNeverFills(bool on); // the results area never gets rows
    void setToolRowCount(int rows);  // 0 = a natural number
    void setToolDelay(int ms);       // how long the page takes to fill its results
    void setToolBusy(int ms);        // how long a click keeps the page's script busy (answers nothing)
    struct ToolRow {
        QString keyword, position, cost;
        int w1 = 0;
        int w2 = -1; // < 0: a single indicator bar
        QString volume;
    };
    void plantToolRows(const QList<ToolRow> &rows); // these rows for every keyword

    // Baidu index data of a keyword: daily values ("<p d=" entries) and province values.
    void setIndexDays(const QString &keyword, const QList<int> &values);
    void setProvinceValues(const QString &keyword, const QList<int> &values);
    // Keyword figures service: the pair it answers for a keyword, and the reports it got.
    void setFigures(const QString &keyword, const QString &pair);
    QList<QStringList> figuresReports() const; // each: nums, kw, parents

    // A webhook under serviceBase("webhook"): every POST is logged with its
    // body and answered 200 (or as setBehaviour("/webhook", ...) says, e.g. 500).
    QString webhookUrl(const QString &name = QStringLiteral("hook")) const;
    // Bodies of the POSTs it received, oldest first.
    QList<QByteArray> webhookBodies() const;

    QList<LoggedRequest> log() const;
    QList<LoggedRequest> log(const QString &service) const;
    void clearLog();

    static QStringList services();

private:
    void handle(const detail::HttpRequest &req, std::function<void(const detail::HttpResponse &)> reply);
    detail::HttpResponse control(const QString &command, const QList<QPair<QString, QString>> &items);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace standin
