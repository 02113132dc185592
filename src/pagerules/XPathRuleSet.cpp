#include "pagerules/XPathRuleSet.h"

#include "common/Digits.h"
#include "pagerules/HtmlDocument.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

using PageRules::Purpose;
using PageRules::Reading;

namespace {

const QStringList kEngines = {QStringLiteral("google"), QStringLiteral("yahoo"), QStringLiteral("bing"),
                              QStringLiteral("baidu")};
const QStringList kRules = {QStringLiteral("count"), QStringLiteral("related"), QStringLiteral("results"),
                            QStringLiteral("noresults"), QStringLiteral("blocked")};
const QStringList kPurposes = {QStringLiteral("count"), QStringLiteral("related"), QStringLiteral("results")};

} // namespace

QString RuleSetError::toString() const
{
    return line > 0 ? QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(reason)
                    : QStringLiteral("%1: %2").arg(file, reason);
}

std::unique_ptr<XPathRuleSet> XPathRuleSet::load(const QString &file, RuleSetError *error)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = {file, 0, f.errorString()};
        return nullptr;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(f.readAll());
    if (utf8.hasError()) {
        *error = {file, 0, QStringLiteral("not UTF-8 text")};
        return nullptr;
    }
    return parse(text, file, error);
}

std::unique_ptr<XPathRuleSet> XPathRuleSet::parse(const QString &text, const QString &file, RuleSetError *error)
{
    auto set = std::unique_ptr<XPathRuleSet>(new XPathRuleSet);
    set->m_file = file;
    set->m_name = QFileInfo(file).completeBaseName();
    const QString folder = QFileInfo(file).absolutePath();
    const QStringList lines = text.split(QLatin1Char('\n'));
    QString section;
    // Steps may come before their rule; each must have one by the end.
    QHash<QString, int> stepLines;
    auto fail = [&](int line, const QString &reason) {
        *error = {file, line, reason};
        return nullptr;
    };
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            if (!line.endsWith(QLatin1Char(']')))
                return fail(lineNo, QStringLiteral("a section name needs a closing \"]\""));
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            if (section != QLatin1String("set") && !kEngines.contains(section))
                return fail(lineNo,
                            QStringLiteral("unknown section [%1] (set, google, yahoo, bing or baidu)").arg(section));
            if (section != QLatin1String("set"))
                set->m_engines[section];
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            return fail(lineNo, QStringLiteral("expected key = value"));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (section.isEmpty())
            return fail(lineNo, QStringLiteral("\"%1\" stands before any section").arg(key));
        if (section == QLatin1String("set")) {
            if (key != QLatin1String("name"))
                return fail(lineNo, QStringLiteral("unknown key \"%1\" in [set]").arg(key));
            if (value.isEmpty())
                return fail(lineNo, QStringLiteral("the name is empty"));
            set->m_name = value;
            continue;
        }
        EngineRules &rules = set->m_engines[section];
        if (kRules.contains(key)) {
            QString why;
            if (value.isEmpty() || !HtmlDocument::compiles(value, &why))
                return fail(
                    lineNo,
                    QStringLiteral("bad XPath for %1: %2").arg(key, value.isEmpty() ? QStringLiteral("empty") : why));
            Rule &rule = rules.rules[key];
            if (!rule.xpath.isEmpty())
                return fail(lineNo, QStringLiteral("%1 is given twice").arg(key));
            rule.xpath = value;
            rule.line = lineNo;
        } else if (key.endsWith(QLatin1String(".step")) && kRules.contains(key.chopped(5))) {
            QString why;
            const std::optional<RuleStep> step = RuleStep::parse(value, &why);
            if (!step)
                return fail(lineNo, why);
            rules.rules[key.chopped(5)].steps << *step;
            stepLines.insert(section + QLatin1Char('/') + key.chopped(5), lineNo);
        } else if (key == QLatin1String("path.counts") || key == QLatin1String("path.rank")) {
            if (!value.startsWith(QLatin1Char('/')) || !value.contains(QLatin1String("{keyword}")))
                return fail(lineNo, QStringLiteral("%1 must start with \"/\" and hold {keyword}").arg(key));
            if (key == QLatin1String("path.rank") && !value.contains(QLatin1String("{start}")))
                return fail(lineNo, QStringLiteral("path.rank must hold {start}"));
            (key == QLatin1String("path.counts") ? rules.countsPath : rules.rankPath) = value;
        } else if (key == QLatin1String("rank.start")) {
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                return fail(lineNo, QStringLiteral("rank.start must be 0 or 1"));
            rules.rankStart = value.toInt();
        } else if (key == QLatin1String("sample") || key.startsWith(QLatin1String("sample."))) {
            const QString purpose = key.mid(7);
            if (!purpose.isEmpty() && !kPurposes.contains(purpose))
                return fail(lineNo,
                            QStringLiteral("unknown key \"%1\" (sample.count, sample.related or "
                                           "sample.results)")
                                .arg(key));
            if (value.isEmpty())
                return fail(lineNo, QStringLiteral("%1 names no file").arg(key));
            const QString path = QFileInfo(value).isAbsolute() ? value : folder + QLatin1Char('/') + value;
            if (purpose.isEmpty())
                rules.sample = path;
            else
                rules.samples.insert(purpose, path);
        } else {
            return fail(lineNo, QStringLiteral("unknown key \"%1\"").arg(key));
        }
    }
    for (auto it = stepLines.cbegin(); it != stepLines.cend(); ++it) {
        const QStringList parts = it.key().split(QLatin1Char('/'));
        if (set->m_engines.value(parts.at(0)).rules.value(parts.at(1)).xpath.isEmpty())
            return fail(it.value(), QStringLiteral("steps for %1, which has no XPath").arg(parts.at(1)));
    }
    if (set->m_engines.isEmpty())
        return fail(0, QStringLiteral("no engine section"));
    return set;
}

const XPathRuleSet::EngineRules *XPathRuleSet::engine(const QString &key) const
{
    const auto it = m_engines.constFind(key);
    return it == m_engines.cend() ? nullptr : &*it;
}

QStringList XPathRuleSet::engines() const
{
    QStringList out;
    for (const QString &e : kEngines) {
        if (m_engines.contains(e))
            out << e;
    }
    return out;
}

QList<Purpose> XPathRuleSet::purposes(const QString &engineKey) const
{
    QList<Purpose> out;
    const EngineRules *rules = engine(engineKey);
    if (!rules)
        return out;
    for (Purpose p : {Purpose::Count, Purpose::Related, Purpose::Results}) {
        if (!rules->rules.value(PageRules::purposeName(p)).xpath.isEmpty())
            out << p;
    }
    return out;
}

QString XPathRuleSet::samplePage(const QString &engineKey, Purpose purpose) const
{
    const EngineRules *rules = engine(engineKey);
    if (!rules)
        return {};
    return rules->samples.value(PageRules::purposeName(purpose), rules->sample);
}

QStringList XPathRuleSet::values(const HtmlDocument &doc, const Rule &rule)
{
    QStringList out;
    if (rule.xpath.isEmpty())
        return out;
    const QStringList raw = doc.select(rule.xpath);
    for (const QString &value : raw) {
        const QString v = applySteps(rule.steps, value.simplified());
        if (!v.isEmpty())
            out << v;
    }
    return out;
}

Reading XPathRuleSet::read(const QString &engineKey, Purpose purpose, const QString &page) const
{
    Reading out;
    const QString wanted = PageRules::purposeName(purpose);
    const EngineRules *rules = engine(engineKey);
    if (!rules) {
        out.missing = wanted;
        return out;
    }
    const HtmlDocument doc(page);
    const auto rule = [&](const QString &name) { return rules->rules.value(name); };
    // Markers count by being there: an empty captcha box is still a wall.
    const auto present = [&](const QString &name) {
        const QString xpath = rule(name).xpath;
        return !xpath.isEmpty() && !doc.select(xpath).isEmpty();
    };
    if (present(QStringLiteral("blocked"))) {
        out.state = Reading::State::Blocked;
        return out;
    }
    const QStringList found = values(doc, rule(wanted));
    // A page that lists results, or states its count, is one the set knows.
    const bool hasResults = purpose == Purpose::Results ? !found.isEmpty()
                                                        : !values(doc, rule(QStringLiteral("results"))).isEmpty()
            || (purpose == Purpose::Related && !values(doc, rule(QStringLiteral("count"))).isEmpty());
    const bool noResults = present(QStringLiteral("noresults"));
    switch (purpose) {
    case Purpose::Count:
        for (const QString &v : found) {
            if (Digits::onlyAscii(v)) {
                out.state = Reading::State::Read;
                out.values = {v};
                return out;
            }
        }
        break;
    case Purpose::Related:
        for (const QString &v : found) {
            if (PageRules::isKeywordCandidate(v) && !out.values.contains(v))
                out.values << v;
        }
        break;
    case Purpose::Results: out.values = found; break;
    }
    if (!out.values.isEmpty() || (purpose != Purpose::Results && hasResults)) {
        // A page with results may state no count or list no related searches.
        out.state = Reading::State::Read;
    } else if (noResults) {
        out.values.clear();
        out.state = Reading::State::NoResults;
    } else {
        out.missing = purpose == Purpose::Results ? wanted : wanted + QStringLiteral(", results");
    }
    return out;
}

QString XPathRuleSet::requestPath(const QString &engineKey, Purpose purpose, const QString &keyword, int page) const
{
    const EngineRules *rules = engine(engineKey);
    if (!rules)
        return {};
    QString path = purpose == Purpose::Results ? rules->rankPath : rules->countsPath;
    path.replace(QLatin1String("{start}"), QString::number(page * 10 + rules->rankStart));
    return path.replace(QLatin1String("{keyword}"), keyword);
}
