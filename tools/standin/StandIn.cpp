#include "StandIn.h"

#include "http.h"
#include "pages.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTimer>

#include <optional>

namespace standin {

using namespace detail;

namespace {

using Service = Page (*)(const ServiceRequest &, const World &);

struct ServiceEntry {
    const char *name;
    Service serve;
    bool plusIsSpace; // search forms encode spaces as '+'
};

const ServiceEntry Services[] = {
    {"google", googleService, true}, {"yahoo", yahooService, true},           {"bing", bingService, true},
    {"baidu", baiduService, true},   {"baiduindex", baiduIndexService, true}, {"keywordtool", keywordToolService, true},
    {"maker", makerService, false},  {"figures", figuresService, false},      {"update", updateService, false},
};

// Each name and value percent-decoded exactly once ("%2500" is the text
// "%00", never a NUL byte), then read as UTF-8 as most clients send it, or
// as GBK, which Baidu's own forms send.
QString decodeText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gbk("GB18030");
    return gbk.decode(bytes);
}

QString decodeOnce(QByteArray raw, bool plusIsSpace)
{
    if (plusIsSpace)
        raw.replace('+', ' ');
    return decodeText(QByteArray::fromPercentEncoding(raw));
}

QList<QPair<QString, QString>> decodeItems(const QByteArray &raw, bool plusIsSpace)
{
    QList<QPair<QString, QString>> items;
    for (const QByteArray &part : raw.split('&')) {
        if (part.isEmpty())
            continue;
        const qsizetype eq = part.indexOf('=');
        items.append({decodeOnce(eq < 0 ? part : part.left(eq), plusIsSpace),
                      eq < 0 ? QString() : decodeOnce(part.mid(eq + 1), plusIsSpace)});
    }
    return items;
}

HttpResponse toResponse(const Page &page)
{
    HttpResponse r;
    r.status = page.status;
    r.contentType = page.contentType;
    r.body = page.body;
    return r;
}

HttpResponse plain(int status, const QByteArray &text)
{
    HttpResponse r;
    r.status = status;
    r.contentType = "text/plain; charset=utf-8";
    r.body = text;
    return r;
}

Engine engineNamed(const QString &name, bool *ok)
{
    const QString n = name.toLower();
    *ok = true;
    if (n == QLatin1String("google"))
        return Google;
    if (n == QLatin1String("yahoo"))
        return Yahoo;
    if (n == QLatin1String("bing"))
        return Bing;
    if (n == QLatin1String("baidu"))
        return Baidu;
    *ok = false;
    return Google;
}

} // namespace

struct StandIn::Private {
    HttpServer *server = nullptr;
    World world;
    QMap<QString, Behaviour> behaviours;
    QList<LoggedRequest> log;

    // The longest matching prefix wins; a used-up countdown drops out and the next one applies.
    std::optional<Behaviour> takeBehaviour(const QString &path)
    {
        for (;;) {
            QString best;
            bool found = false;
            for (auto it = behaviours.cbegin(); it != behaviours.cend(); ++it)
                if (path.startsWith(it.key()) && (!found || it.key().size() > best.size())) {
                    best = it.key();
                    found = true;
                }
            if (!found)
                return std::nullopt;
            Behaviour &b = behaviours[best];
            if (b.times == 0) {
                behaviours.remove(best);
                continue;
            }
            const Behaviour used = b;
            if (b.times > 0 && --b.times == 0)
                behaviours.remove(best);
            return used;
        }
    }
};

StandIn::StandIn(QObject *parent)
    : QObject(parent),
      d(std::make_unique<Private>())
{
    d->server = new HttpServer([this](const HttpRequest &req, Reply reply) { handle(req, std::move(reply)); }, this);
}

StandIn::~StandIn()
{
    delete d->server; // connections go first: nothing may reach handle() once d is gone
}

QStringList StandIn::services()
{
    QStringList names;
    for (const ServiceEntry &s : Services)
        names.append(QString::fromLatin1(s.name));
    return names;
}

bool StandIn::listen(quint16 port)
{
    if (!d->server->listen(port))
        return false;
    d->world.baseUrl = baseUrl();
    return true;
}

quint16 StandIn::port() const { return d->server->port(); }

QString StandIn::baseUrl() const { return QLatin1String("http://127.0.0.1:") + QString::number(port()); }

QString StandIn::serviceBase(const QString &service) const { return baseUrl() + u'/' + service; }

bool StandIn::writeEndpoints(const QString &iniPath) const
{
    QSaveFile file(iniPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QByteArray text = "[endpoints]\n";
    for (const ServiceEntry &s : Services)
        text += QByteArray(s.name) + '=' + serviceBase(QString::fromLatin1(s.name)).toUtf8() + '\n';
    file.write(text);
    return file.commit();
}

void StandIn::setPublishedVersion(const QString &v) { d->world.version = v; }

void StandIn::setUpdateVersion(const QString &v) { d->world.updateVersion = v; }

void StandIn::setUpdateFiles(const QString &files)
{
    d->world.updateFiles = files;
    d->world.updateFilesSet = true;
}

void StandIn::setUpdateProgramName(const QString &name) { d->world.updateNames = name; }

void StandIn::setDownload(const QString &name, const QByteArray &bytes) { d->world.downloads.insert(name, bytes); }

QString StandIn::downloadUrl(const QString &name) const
{
    return serviceBase(QStringLiteral("update")) + QStringLiteral("/files/") + name;
}

void StandIn::setRelatedCount(int perSeed) { d->world.relatedCount = std::max(0, perSeed); }

void StandIn::plantRank(const QString &engine, const QString &keyword, const QString &site, int resultIndex)
{
    bool ok = false;
    const Engine e = engineNamed(engine, &ok);
    if (!ok || resultIndex < 0)
        return;
    QString bare = site.trimmed();
    if (bare.startsWith(QLatin1String("http://"), Qt::CaseInsensitive))
        bare = bare.mid(7);
    d->world.plants[plantKey(e, QUrl::fromPercentEncoding(keyword.toUtf8()))].insert(resultIndex, bare);
}

void StandIn::setEmptyCataloguePages(const QList<int> &pages)
{
    d->world.emptyCataloguePages = QSet<int>(pages.begin(), pages.end());
}

void StandIn::setCataloguePage(int category, int page, const QString &text)
{
    d->world.cataloguePages.insert(QString::number(category) + u'/' + QString::number(page), text);
}

void StandIn::setBehaviour(const QString &pathPrefix, const Behaviour &b) { d->behaviours.insert(pathPrefix, b); }

void StandIn::clearBehaviours() { d->behaviours.clear(); }

QString StandIn::captchaAnswer() { return toolCaptchaAnswer(); }

void StandIn::setToolCaptcha(bool on)
{
    d->world.toolCaptcha = on;
    d->world.toolCaptchaPassed = false;
    d->world.toolCaptchaTries = 0;
}

void StandIn::setToolNeverFills(bool on) { d->world.toolNeverFills = on; }

void StandIn::setToolRowCount(int rows) { d->world.toolRowCount = std::max(0, rows); }

void StandIn::setToolBusy(int ms) { d->world.toolBusyMs = std::max(0, ms); }

void StandIn::setToolDelay(int ms) { d->world.toolDelayMs = std::max(0, ms); }

void StandIn::plantToolRows(const QList<ToolRow> &rows)
{
    d->world.toolRows.clear();
    for (const ToolRow &r : rows)
        d->world.toolRows.append({r.keyword, r.position, r.cost, r.w1, r.w2, r.volume});
}

void StandIn::setIndexDays(const QString &keyword, const QList<int> &values)
{
    d->world.indexDays.insert(normalizeKeyword(keyword), values);
}

void StandIn::setProvinceValues(const QString &keyword, const QList<int> &values)
{
    d->world.provinceValues.insert(normalizeKeyword(keyword), values);
}

void StandIn::setFigures(const QString &keyword, const QString &pair)
{
    d->world.figures.insert(normalizeKeyword(keyword), pair);
}

QList<QStringList> StandIn::figuresReports() const { return d->world.figuresReports; }

QList<LoggedRequest> StandIn::log() const { return d->log; }

QList<LoggedRequest> StandIn::log(const QString &service) const
{
    QList<LoggedRequest> out;
    for (const LoggedRequest &r : d->log)
        if (r.service == service)
            out.append(r);
    return out;
}

void StandIn::clearLog() { d->log.clear(); }

QString StandIn::webhookUrl(const QString &name) const { return serviceBase(QStringLiteral("webhook")) + u'/' + name; }

QList<QByteArray> StandIn::webhookBodies() const
{
    QList<QByteArray> out;
    for (const LoggedRequest &r : d->log)
        if (r.service == u"webhook" && r.method == u"POST")
            out.append(r.body);
    return out;
}

void StandIn::handle(const HttpRequest &req, std::function<void(const HttpResponse &)> reply)
{
    if (req.path.startsWith(QLatin1String("/_control/"))) {
        reply(control(req.path.mid(10), decodeItems(req.rawQuery, true)));
        return;
    }

    const QString name = req.path.section(u'/', 1, 1);
    const ServiceEntry *entry = nullptr;
    for (const ServiceEntry &s : Services)
        if (name == QLatin1String(s.name))
            entry = &s;
    // The webhook is no service of the program's endpoints: it only takes
    // what is posted to it, for tests to read back.
    static const ServiceEntry webhook{"webhook", nullptr, false};
    if (name == QLatin1String(webhook.name))
        entry = &webhook;
    if (!entry) {
        reply(plain(404, "no such service\n"));
        return;
    }

    ServiceRequest sreq;
    sreq.service = name;
    sreq.path = req.path.mid(1 + name.size());
    if (sreq.path.isEmpty())
        sreq.path = QStringLiteral("/");
    sreq.items = decodeItems(req.rawQuery, entry->plusIsSpace);

    LoggedRequest logged;
    logged.service = name;
    logged.path = sreq.path;
    logged.query = decodeOnce(req.rawQuery, entry->plusIsSpace);
    if (req.headers.value("content-type").startsWith("application/x-www-form-urlencoded"))
        sreq.items += decodeItems(req.body, true);
    logged.items = sreq.items;
    logged.userAgent = QString::fromUtf8(req.headers.value("user-agent"));
    logged.headers = req.headers;
    logged.msecsSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    logged.method = QString::fromLatin1(req.method);
    logged.body = req.body;
    d->log.append(logged);

    const std::optional<Behaviour> b = d->takeBehaviour(req.path);
    if (b && b->neverAnswer)
        return; // the connection stays open and silent until the client gives up

    HttpResponse response;
    if (b && !b->redirectTo.isEmpty()) {
        response = plain(302, "moved\n");
        const QString target = b->redirectTo.startsWith(u'/') ? baseUrl() + b->redirectTo : b->redirectTo;
        response.headers.append({"Location", QUrl(target).toEncoded()});
    } else if (b && b->status != 200) {
        response = plain(b->status, QByteArray::number(b->status) + ' ' + reasonPhrase(b->status) + '\n');
    } else if (b && b->replacesBody) {
        response = plain(b->status, b->body);
        response.contentType = b->contentType;
    } else if (b && b->emptyBody) {
        response = plain(200, QByteArray());
        response.contentType = "text/html; charset=utf-8";
    } else if (!entry->serve) {
        response = req.method == "POST" ? plain(200, "received\n") : plain(405, "POST only\n");
    } else {
        response = toResponse(entry->serve(sreq, d->world));
    }

    if (b) {
        response.omitContentLength = b->noContentLength;
        response.cutAfter = b->cutBodyAt;
        response.pieceDelayMs = b->slowBodyMs;
    }

    if (b && b->delayMs > 0)
        QTimer::singleShot(b->delayMs, this, [reply, response] { reply(response); });
    else
        reply(response);
}

HttpResponse StandIn::control(const QString &command, const QList<QPair<QString, QString>> &items)
{
    ServiceRequest args;
    args.items = items;
    const auto arg = [&](const char *key) { return args.value(QLatin1String(key)); };

    if (command == QLatin1String("version")) {
        setPublishedVersion(arg("v"));
    } else if (command == QLatin1String("behaviour")) {
        Behaviour b;
        b.delayMs = arg("delay").toInt();
        if (args.has(QStringLiteral("status")))
            b.status = arg("status").toInt();
        b.redirectTo = arg("redirect");
        b.emptyBody = arg("empty") == QLatin1String("1");
        b.neverAnswer = arg("never") == QLatin1String("1");
        if (args.has(QStringLiteral("times")))
            b.times = arg("times").toInt();
        b.noContentLength = arg("nolength") == QLatin1String("1");
        if (args.has(QStringLiteral("cut")))
            b.cutBodyAt = arg("cut").toLongLong();
        b.slowBodyMs = arg("slow").toInt();
        if (args.has(QStringLiteral("body"))) {
            b.replacesBody = true;
            b.body = arg("body").toUtf8();
        }
        if (arg("prefix").isEmpty())
            return plain(400, "prefix missing\n");
        setBehaviour(arg("prefix"), b);
    } else if (command == QLatin1String("clear")) {
        clearBehaviours();
        if (arg("log") == QLatin1String("1"))
            clearLog();
    } else if (command == QLatin1String("clearlog")) {
        clearLog();
    } else if (command == QLatin1String("reset")) {
        clearBehaviours();
        clearLog();
        const QString base = d->world.baseUrl;
        d->world = World();
        d->world.baseUrl = base;
    } else if (command == QLatin1String("catalogue")) {
        QList<int> pages;
        for (const QString &n : arg("empty").split(u',', Qt::SkipEmptyParts))
            pages.append(n.toInt());
        setEmptyCataloguePages(pages);
    } else if (command == QLatin1String("keywordtool")) {
        if (args.has(QStringLiteral("captcha")))
            setToolCaptcha(arg("captcha") == QLatin1String("1"));
        if (args.has(QStringLiteral("never")))
            setToolNeverFills(arg("never") == QLatin1String("1"));
        if (args.has(QStringLiteral("rows")))
            setToolRowCount(arg("rows").toInt());
        if (args.has(QStringLiteral("delay")))
            setToolDelay(arg("delay").toInt());
        if (args.has(QStringLiteral("busy")))
            setToolBusy(arg("busy").toInt());
    } else if (command == QLatin1String("updatepage")) {
        if (args.has(QStringLiteral("files")))
            setUpdateFiles(arg("files"));
        if (args.has(QStringLiteral("names")))
            setUpdateProgramName(arg("names"));
    } else if (command == QLatin1String("download")) {
        if (arg("name").isEmpty())
            return plain(400, "name missing\n");
        setDownload(arg("name"),
                    args.has(QStringLiteral("size")) ? QByteArray(arg("size").toInt(), 'x') : arg("text").toUtf8());
    } else if (command == QLatin1String("related")) {
        setRelatedCount(arg("count").toInt());
    } else if (command == QLatin1String("plant")) {
        bool ok = false;
        engineNamed(arg("engine"), &ok);
        if (!ok || arg("keyword").isEmpty() || arg("site").isEmpty())
            return plain(400, "engine, keyword and site needed\n");
        plantRank(arg("engine"), arg("keyword"), arg("site"), arg("index").toInt());
    } else if (command == QLatin1String("log")) {
        QJsonArray array;
        const QList<LoggedRequest> entries = args.has(QStringLiteral("service")) ? log(arg("service")) : log();
        for (const LoggedRequest &r : entries) {
            QJsonArray pairs;
            for (const auto &item : r.items)
                pairs.append(QJsonArray{item.first, item.second});
            array.append(QJsonObject{{"service", r.service},
                                     {"path", r.path},
                                     {"query", r.query},
                                     {"items", pairs},
                                     {"userAgent", r.userAgent},
                                     {"msecsSinceEpoch", double(r.msecsSinceEpoch)},
                                     {"method", r.method},
                                     {"body", QString::fromUtf8(r.body)}});
        }
        HttpResponse r = plain(200, QJsonDocument(array).toJson(QJsonDocument::Compact));
        r.contentType = "application/json";
        return r;
    } else {
        return plain(404, "unknown control command\n");
    }
    return plain(200, "ok\n");
}

} // namespace standin
