#include "pagerules/RuleSteps.h"

#include <QUrl>

namespace {

QString percentDecode(QString text)
{
    text.replace(QLatin1Char('+'), QLatin1Char(' '));
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
}

QString queryValue(const QString &address, const QString &name)
{
    for (const QLatin1Char sep : {QLatin1Char('?'), QLatin1Char('&')}) {
        const QString key = QChar(sep) + name + QLatin1Char('=');
        const qsizetype at = address.indexOf(key);
        if (at < 0)
            continue;
        const qsizetype from = at + key.size();
        qsizetype end = address.size();
        for (const QChar stop : {QLatin1Char('&'), QLatin1Char('#')}) {
            const qsizetype s = address.indexOf(stop, from);
            if (s >= 0 && s < end)
                end = s;
        }
        return percentDecode(address.mid(from, end - from));
    }
    const QString key = QLatin1Char('/') + name + QLatin1Char('=');
    const qsizetype at = address.indexOf(key);
    if (at < 0)
        return {};
    const qsizetype from = at + key.size();
    const qsizetype end = address.indexOf(QLatin1Char('/'), from);
    return percentDecode(address.mid(from, end < 0 ? -1 : end - from));
}

QString base64Url(QString text)
{
    if (text.startsWith(QLatin1String("a1")))
        text = text.mid(2);
    const auto decoded = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64UrlEncoding | QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? QString::fromUtf8(*decoded) : QString();
}

QString stripTags(const QString &text)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return QString(text).remove(tag);
}

} // namespace

std::optional<RuleStep> RuleStep::parse(const QString &text, QString *error)
{
    const QString trimmed = text.trimmed();
    const qsizetype space = trimmed.indexOf(QLatin1Char(' '));
    const QString name = (space < 0 ? trimmed : trimmed.left(space)).toLower();
    const QString argument = space < 0 ? QString() : trimmed.mid(space + 1).trimmed();
    static const QList<std::pair<QString, Kind>> names = {
        {QStringLiteral("regex"), Kind::Regex},         {QStringLiteral("digits"), Kind::Digits},
        {QStringLiteral("urldecode"), Kind::UrlDecode}, {QStringLiteral("query"), Kind::Query},
        {QStringLiteral("base64url"), Kind::Base64Url}, {QStringLiteral("striptags"), Kind::StripTags},
        {QStringLiteral("host"), Kind::Host},           {QStringLiteral("lower"), Kind::Lower},
    };
    RuleStep step;
    bool known = false;
    for (const auto &[stepName, kind] : names) {
        if (stepName == name) {
            step.kind = kind;
            known = true;
        }
    }
    if (!known) {
        *error = QStringLiteral("unknown step \"%1\"").arg(name);
        return std::nullopt;
    }
    const bool wantsArgument = step.kind == Kind::Regex || step.kind == Kind::Query;
    if (wantsArgument && argument.isEmpty()) {
        *error = QStringLiteral("step \"%1\" needs an argument").arg(name);
        return std::nullopt;
    }
    if (!wantsArgument && !argument.isEmpty()) {
        *error = QStringLiteral("step \"%1\" takes no argument").arg(name);
        return std::nullopt;
    }
    step.argument = argument;
    if (step.kind == Kind::Regex) {
        step.regex = QRegularExpression(argument);
        if (!step.regex.isValid()) {
            *error = QStringLiteral("bad regular expression: %1").arg(step.regex.errorString());
            return std::nullopt;
        }
        if (step.regex.captureCount() != 1) {
            *error = QStringLiteral("a regular expression needs exactly one capture group");
            return std::nullopt;
        }
    }
    return step;
}

QString RuleStep::apply(const QString &value) const
{
    switch (kind) {
    case Kind::Regex: {
        const QRegularExpressionMatch m = regex.match(value);
        return m.hasMatch() ? m.captured(1) : QString();
    }
    case Kind::Digits: {
        QString out;
        for (const QChar c : value) {
            if (c >= u'0' && c <= u'9')
                out.append(c);
        }
        return out;
    }
    case Kind::UrlDecode: return percentDecode(value);
    case Kind::Query: {
        // A direct link has no such parameter: it is the target already.
        const QString found = queryValue(value, argument);
        return found.isNull() ? value : found;
    }
    case Kind::Base64Url: return base64Url(value);
    case Kind::StripTags: return stripTags(value);
    case Kind::Host: return QUrl(value).host();
    case Kind::Lower: return value.toLower();
    }
    return {};
}

QString applySteps(const RuleSteps &steps, QString value)
{
    for (const RuleStep &step : steps) {
        value = step.apply(value).simplified();
        if (value.isEmpty())
            break;
    }
    return value;
}
