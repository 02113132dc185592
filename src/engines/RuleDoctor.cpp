#include "engines/RuleDoctor.h"

#include "common/Endpoints.h"
#include "common/Engine.h"
#include "engines/BaiduPages.h"
#include "engines/IndexCounts.h"
#include "web/CXHtml.h"
#include "web/M_base.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

using PageRules::Purpose;
using PageRules::Reading;

namespace RuleDoctor {

namespace {

const QString kBaidu = QStringLiteral("baidu");

Engine engineOf(const QString &key)
{
    for (Engine e : kEngines) {
        if (engineKey(e) == key)
            return e;
    }
    return Engine::Google;
}

// A saved page in the character set it declares (a Baidu page of 2010 is
// GBK), else UTF-8.
bool readPage(const QString &file, QString *page, QString *why)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(file), f.errorString());
        return false;
    }
    const QByteArray bytes = f.readAll();
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        decoder = QStringDecoder(QStringDecoder::Utf8);
    *page = decoder.decode(bytes);
    return true;
}

Check failed(const QString &engine, Purpose purpose, const QString &source, const QString &reason)
{
    return {engine, purpose, source, QStringLiteral("failed: ") + reason, false};
}

} // namespace

QString engineLabel(const QString &engine)
{
    return engine.isEmpty() ? engine : engine.left(1).toUpper() + engine.mid(1);
}

Check judge(const Reading &reading, Purpose purpose, bool strict)
{
    Check out;
    out.purpose = purpose;
    const QString wanted = PageRules::purposeName(purpose);
    switch (reading.state) {
    case Reading::State::Blocked: out.verdict = QStringLiteral("blocked"); return out;
    case Reading::State::Unrecognised:
        out.verdict =
            QStringLiteral("unrecognised page (missing: %1)").arg(reading.missing.isEmpty() ? wanted : reading.missing);
        return out;
    case Reading::State::NoResults:
        // The set took a page with results for its "no results" page.
        out.verdict = QStringLiteral("unrecognised page (missing: %1; the page read as having no results)").arg(wanted);
        return out;
    case Reading::State::Read: break;
    }
    if (strict && reading.values.isEmpty()) {
        out.verdict = QStringLiteral("unrecognised page (missing: %1)").arg(wanted);
        return out;
    }
    out.verdict = QStringLiteral("reads");
    out.reads = true;
    return out;
}

QList<Check> checkSamples(const PageRuleSet &rules, const QString &rulesDir)
{
    QList<Check> out;
    for (const QString &engine : rules.engines()) {
        // Purposes often share a page: each is parsed once.
        QHash<QString, QString> pages;
        for (Purpose purpose : rules.purposes(engine)) {
            QString sample = rules.samplePage(engine, purpose);
            if (sample.isEmpty()) {
                out << failed(engine, purpose, QStringLiteral("-"), QStringLiteral("no sample page"));
                continue;
            }
            if (QFileInfo(sample).isRelative())
                sample = QDir(rulesDir).filePath(sample);
            const QString source = QFileInfo(sample).fileName();
            if (!pages.contains(sample)) {
                QString page;
                QString why;
                if (!readPage(sample, &page, &why)) {
                    out << failed(engine, purpose, source, why);
                    continue;
                }
                pages.insert(sample, page);
            }
            Check check = judge(rules.read(engine, purpose, pages.value(sample)), purpose, true);
            check.engine = engine;
            check.source = source;
            out << check;
        }
    }
    return out;
}

QList<Check> checkLive(const PageRuleSet &rules, const Endpoints &endpoints, const QString &keyword, int timeLimit)
{
    QList<Check> out;
    const QString live = QStringLiteral("live");
    for (const QString &engine : rules.engines()) {
        const QList<Purpose> purposes = rules.purposes(engine);
        if (purposes.isEmpty())
            continue;
        CXHtml html;
        html.TryTime = timeLimit;
        // The count request: its page shows all three.
        if (engine == kBaidu) {
            html.charset = QStringLiteral("gb2312");
            QString path = rules.requestPath(engine, Purpose::Count, M_base::UrlEncode(keyword), 0);
            html.url =
                endpoints.url(Endpoints::Service::Baidu, path.isEmpty() ? BaiduPages::searchPath(keyword) : path);
        } else {
            const Engine e = engineOf(engine);
            html.charset = QStringLiteral("utf-8");
            QString path = rules.requestPath(engine, Purpose::Count, IndexCounts::queryText(keyword), 0);
            html.url =
                endpoints.url(Endpoints::serviceOf(e), path.isEmpty() ? IndexCounts::requestPath(e, keyword) : path);
        }
        const FetchOutcome page = html.fetchOutcome();
        for (Purpose purpose : purposes) {
            if (page.failed()) {
                out << failed(engine, purpose, live, page.reason());
                continue;
            }
            Check check = judge(rules.read(engine, purpose, page.body), purpose, purpose != Purpose::Related);
            check.engine = engine;
            check.source = live;
            out << check;
        }
    }
    return out;
}

} // namespace RuleDoctor
