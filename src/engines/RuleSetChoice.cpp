#include "engines/RuleSetChoice.h"

#include "engines/BuiltinRules.h"
#include "pagerules/XPathRuleSet.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace RuleSetChoice {

std::unique_ptr<PageRuleSet> load(const QString &nameOrFile, const QString &programDir, QString *why)
{
    const QString given = nameOrFile.trimmed();
    if (given == BuiltinRuleSet::setName())
        return std::make_unique<BuiltinRuleSet>();
    // A bare name is a shipped set; anything with a folder or ".ini" a file.
    const bool isFile = given.contains(QLatin1Char('/')) || given.contains(QLatin1Char('\\'))
        || given.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive);
    const QString file =
        isFile ? given : QDir(programDir).filePath(QStringLiteral("rules/") + given + QStringLiteral(".ini"));
    if (!isFile && !QFileInfo::exists(file)) {
        *why = QStringLiteral("no rule set named %1 (no %2)").arg(given, QDir::toNativeSeparators(file));
        return nullptr;
    }
    RuleSetError error;
    std::unique_ptr<XPathRuleSet> set = XPathRuleSet::load(file, &error);
    if (!set) {
        error.file = QDir::toNativeSeparators(error.file);
        *why = error.toString();
        return nullptr;
    }
    return set;
}

Choice choose(const QString &given, const QString &programDir, const QString &dataDir)
{
    QString asked = given;
    if (asked.isEmpty()) {
        const QString endpoints = QDir(dataDir).filePath(QStringLiteral("endpoints.ini"));
        if (QFileInfo::exists(endpoints))
            asked = QSettings(endpoints, QSettings::IniFormat).value(QStringLiteral("endpoints/rules")).toString();
    }
    if (asked.isEmpty()) {
        const QString own = QDir(dataDir).filePath(QStringLiteral("rules.ini"));
        if (QFileInfo::exists(own))
            asked = own;
    }
    Choice out;
    if (!asked.isEmpty()) {
        QString why;
        out.rules = load(asked, programDir, &why);
        if (!out.rules)
            out.refused = why + QStringLiteral("; reading pages with the built-in set ") + BuiltinRuleSet::setName();
    }
    if (!out.rules)
        out.rules = std::make_unique<BuiltinRuleSet>();
    return out;
}

} // namespace RuleSetChoice
