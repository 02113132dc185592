#include "rank/ChangeReport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ChangeReport {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString positionText(const std::optional<int> &p) { return p ? QString::number(*p) : QStringLiteral("-"); }

QString changeText(const RankChanges::Change &c)
{
    const std::optional<int> d = c.change();
    if (!d)
        return {};
    return *d > 0 ? QStringLiteral("+%1").arg(*d) : QString::number(*d);
}

QJsonValue number(const std::optional<int> &value) { return value ? QJsonValue(*value) : QJsonValue(); }

QString csvField(const QString &text)
{
    static const QString formulaStart = QStringLiteral("=+-@\t\r");
    static const QString special = QStringLiteral(",\"\r\n");
    QString field = text;
    // Links and hosts come from web pages: "=HYPERLINK(...)" must stay text.
    // Our own "-" and "-2" are no formulas.
    bool ownNumber = false;
    field.toInt(&ownNumber);
    if (!field.isEmpty() && formulaStart.contains(field.front()) && field != u"-" && !ownNumber)
        field.prepend(QLatin1Char('\''));
    bool quote = false;
    for (const QChar ch : field)
        quote = quote || special.contains(ch);
    if (!quote)
        return field;
    field.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + field + QLatin1Char('"');
}

} // namespace

std::optional<Format> formatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"csv")
        return Format::Csv;
    if (suffix == u"json")
        return Format::Json;
    if (suffix == u"html" || suffix == u"htm")
        return Format::Html;
    return std::nullopt;
}

QStringList headers()
{
    return {QStringLiteral("site"),     QStringLiteral("keyword"), QStringLiteral("engine"),
            QStringLiteral("previous"), QStringLiteral("new"),     QStringLiteral("change"),
            QStringLiteral("link"),     QStringLiteral("kind"),    QStringLiteral("hosts now above")};
}

QStringList fields(const RankChanges::Change &c)
{
    return {c.site,
            c.keyword,
            engineLabel(c.engine),
            positionText(c.previous),
            positionText(c.current),
            changeText(c),
            c.changedLink(),
            RankChanges::kindText(c),
            c.hostsAbove.join(QLatin1Char(' '))};
}

QByteArray json(const QList<RankChanges::Change> &changes, const QString &date)
{
    QJsonArray list;
    for (const RankChanges::Change &c : changes) {
        list.append(QJsonObject{{QStringLiteral("site"), c.site},
                                {QStringLiteral("keyword"), c.keyword},
                                {QStringLiteral("engine"), engineLabel(c.engine)},
                                {QStringLiteral("previousDate"), c.previousDate},
                                {QStringLiteral("previous"), number(c.previous)},
                                {QStringLiteral("current"), number(c.current)},
                                {QStringLiteral("change"), number(c.change())},
                                {QStringLiteral("link"), c.link},
                                {QStringLiteral("previousLink"), c.previousLink},
                                {QStringLiteral("kind"), RankChanges::kindText(c)},
                                {QStringLiteral("hostsAbove"), QJsonArray::fromStringList(c.hostsAbove)}});
    }
    const QJsonObject root{{QStringLiteral("date"), date}, {QStringLiteral("changes"), list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray csv(const QList<RankChanges::Change> &changes)
{
    QString text;
    const auto line = [&text](const QStringList &cells) {
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                text += QLatin1Char(',');
            text += csvField(cells.at(i));
        }
        text += kCrLf;
    };
    line(headers());
    for (const RankChanges::Change &c : changes)
        line(fields(c));
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray html(const QList<RankChanges::Change> &changes, const QString &date)
{
    const QString title = QStringLiteral("排名变化 ") + date;
    QString page = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>")
        + title.toHtmlEscaped() + QStringLiteral("</title></head><body>\n<h1>") + title.toHtmlEscaped()
        + QStringLiteral("</h1>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>");
    for (const QString &h : headers())
        page += QStringLiteral("<th>") + h.toHtmlEscaped() + QStringLiteral("</th>");
    page += QStringLiteral("</tr>\n");
    for (const RankChanges::Change &c : changes) {
        page += QStringLiteral("<tr>");
        for (const QString &cell : fields(c))
            page += QStringLiteral("<td>") + cell.toHtmlEscaped() + QStringLiteral("</td>");
        page += QStringLiteral("</tr>\n");
    }
    page += QStringLiteral("</table>\n</body></html>\n");
    return page.toUtf8();
}

QByteArray render(Format format, const QList<RankChanges::Change> &changes, const QString &date)
{
    switch (format) {
    case Format::Csv: return csv(changes);
    case Format::Json: return json(changes, date);
    case Format::Html: return html(changes, date);
    }
    return {};
}

CheckedFile::Result write(const QString &path, Format format, const QList<RankChanges::Change> &changes,
                          const QString &date)
{
    return CheckedFile::replace(path, render(format, changes, date));
}

} // namespace ChangeReport
