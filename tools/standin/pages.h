#pragma once

// What the service pages share: the request as a service sees it, the answer it gives,
// the state tests can change, and the word material in corpus.cpp.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

namespace standin::detail {

struct ServiceRequest {
    QString service;
    QString path; // within the service, starts with '/'
    QList<QPair<QString, QString>> items;
    QString value(const QString &key) const;
    bool has(const QString &key) const;
};

struct Page {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray body;
};

// The settings tests steer. Planted sites are keyed by plantKey(engine, keyword), then overall index.
// One row of the keyword tool's results; w2 < 0 draws a single bar.
struct ToolRowPlant {
    QString keyword;
    QString position;
    QString cost;
    int w1 = 0;
    int w2 = -1;
    QString volume;
};

struct World {
    QString baseUrl;
    QString version = QStringLiteral("1.0");
    int relatedCount = 0;
    QHash<QString, QMap<int, QString>> plants;
    // The catalogue: pages answered empty, and pages given whole by a test
    // (keyed "cid/page").
    QSet<int> emptyCataloguePages;
    QHash<QString, QString> cataloguePages;

    // Keyword tool: a captcha on the first visit until it is answered; results
    // after a short delay, or never.
    bool toolCaptcha = true;
    mutable bool toolCaptchaPassed = false;
    mutable int toolCaptchaTries = 0;
    bool toolNeverFills = false;
    int toolRowCount = 0; // 0 = a natural number of rows
    int toolDelayMs = 800;
    int toolBusyMs = 0;           // after a click the page's own script holds it this long
    QList<ToolRowPlant> toolRows; // planted rows replace the made-up ones

    // Baidu index: planted day values and province values per keyword.
    QHash<QString, QList<int>> indexDays;
    QHash<QString, QList<int>> provinceValues;

    // Figures service: pairs it answers, and the reports it received.
    mutable QHash<QString, QString> figures;
    mutable QList<QStringList> figuresReports; // nums, kw, parents
    bool updateFilesSet = false;
    QString updateFiles; // when set; else the default downloads
    QString updateNames = QStringLiteral("veltrana");
    QString updateVersion;               // the update page's version; empty: `version`
    QMap<QString, QByteArray> downloads; // extra or replaced files of the update service
};

QString toolCaptchaAnswer();

enum Engine { Google = 0, Yahoo = 1, Bing = 2, Baidu = 3 };

QString normalizeKeyword(const QString &keyword); // lower-case, single spaces
QString plantKey(Engine engine, const QString &keyword);
bool isNoResult(const QString &keyword);
quint64 stableHash(const QString &text, quint64 salt = 0);
QString thousands(qint64 n);
QString htmlEscape(const QString &text);
qint64 resultCount(const QString &keyword, Engine engine);

// Related searches one engine shows for a seed, lower-case.
QStringList relatedFor(const QString &keyword, Engine engine, int relatedCount);
// Words of phrase that are not in the seed, wrapped in open/close (how engines bold them).
QString emphasizeNew(const QString &phrase, const QString &seed, const QString &open, const QString &close);

struct Hit {
    QString host;
    QString path; // starts with '/'
    QString title;
    QString snippet;
};
// Ten results of one result page (page 0 = results 1-10).
QList<Hit> resultPage(const QString &keyword, Engine engine, int page, const World &world);

// The rank corpus (ranks.cpp): sites the result pages of a few keywords carry at fixed result
// indexes, besides the ones a test plants; the keywords it covers; and the sponsor site shown
// above the first result for those keywords (empty for any other keyword).
QMap<int, QString> corpusPlants(const QString &keyword, Engine engine);
QStringList rankCorpusKeywords();
QString sponsorFor(const QString &keyword);

Page googleService(const ServiceRequest &req, const World &world);
Page yahooService(const ServiceRequest &req, const World &world);
Page bingService(const ServiceRequest &req, const World &world);
Page baiduService(const ServiceRequest &req, const World &world);
Page makerService(const ServiceRequest &req, const World &world);
Page catalogueList(const ServiceRequest &req, const World &world);
Page baiduIndexService(const ServiceRequest &req, const World &world);
Page keywordToolService(const ServiceRequest &req, const World &world);
Page figuresService(const ServiceRequest &req, const World &world);
Page updateService(const ServiceRequest &req, const World &world);

Page notFound(const ServiceRequest &req);
QByteArray utf8Head(const QString &title, const QString &style = QString());
// A whole page in GBK with its charset declared, as the Baidu pages come.
QByteArray gbk(const QString &text);
QByteArray gbkHead(const QString &title, const QString &style = QString());

} // namespace standin::detail
