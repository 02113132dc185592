#pragma once

#include <QRegularExpression>
#include <QString>
#include <QVector>

#include <optional>

// The named steps a rule may put a value through after its XPath, in the
// order the rule lists them. A step that finds nothing drops the value.
//
//   regex PATTERN   the text of the pattern's one capture group
//   digits          the ASCII digits alone ("About 1,230 results" -> "1230")
//   urldecode       %xx escapes (and "+") decoded as UTF-8
//   query NAME      the value of parameter NAME, decoded: "?q=..", "&q=.."
//                   or a path segment "/NAME=../" (Yahoo's "/RU=../");
//                   an address without it is kept as it is (a direct link)
//   base64url       base64url decoded as UTF-8 text; a leading "a1" (Bing's
//                   marker of an encoded link) is taken off first
//   striptags       every "<...>" removed
//   host            the host of an address ("https://a.b/c" -> "a.b")
//   lower           lower case
struct RuleStep {
    enum class Kind { Regex, Digits, UrlDecode, Query, Base64Url, StripTags, Host, Lower };
    Kind kind = Kind::Digits;
    QString argument;
    QRegularExpression regex;

    // One step as a rule file writes it ("regex ([0-9,]+) results"); on a
    // bad step, nothing and `error` says why.
    static std::optional<RuleStep> parse(const QString &text, QString *error);
    // The value after this step; empty when the step finds nothing.
    QString apply(const QString &value) const;
};

using RuleSteps = QVector<RuleStep>;

// The value through every step in order; empty as soon as one finds nothing.
QString applySteps(const RuleSteps &steps, QString value);
