#include "resources/ResourceCatalogue.h"

#include "common/Endpoints.h"
#include "common/JobStatus.h"
#include "common/Prompter.h"
#include "common/ResultList.h"
#include "web/CXHtml.h"

#include <QRegularExpression>

ResourceCatalogue::ResourceCatalogue(const Endpoints &endpoints, JobStatus &status, Prompter &prompter, QObject *parent)
    : QObject(parent),
      m_endpoints(endpoints),
      m_status(status),
      m_prompter(prompter),
      m_list(new ResultList(listHeaders(), this)),
      m_job(status, Job::Resume::Resumable)
{
    m_list->setObjectName(QStringLiteral("resourceList"));
    m_list->setCountColumns({2}); // PR
    connect(&m_job, &Job::stateChanged, this, &ResourceCatalogue::stateChanged);
}

ResourceCatalogue::~ResourceCatalogue() = default;

const QList<ResourceCategory> &ResourceCatalogue::categories()
{
    static const QList<ResourceCategory> list = {
        {QStringLiteral("Blog Service Provider"), QStringLiteral("英文"), QStringLiteral("38"),
         QStringLiteral("英文博客托管网站"), 6, 20},
        {QStringLiteral("Social Bookmarks"), QStringLiteral("英文"), QStringLiteral("155"),
         QStringLiteral("英文社会化书签"), 7, 30},
        {QStringLiteral("Web Directory"), QStringLiteral("英文"), QStringLiteral("7300"),
         QStringLiteral("英文网站目录"), 8, 800},
    };
    return list;
}

QStringList ResourceCatalogue::filterEntries(int row)
{
    if (row != 2)
        return {};
    return {QStringLiteral("选择二级类别"), QStringLiteral("免费"),      QStringLiteral("付费"),
            QStringLiteral("互链"),         QStringLiteral("免费&付费"), QStringLiteral("免费&互链"),
            QStringLiteral("互链&付费"),    QStringLiteral("文章目录")};
}

QStringList ResourceCatalogue::listHeaders()
{
    return {QStringLiteral("资源名称"), QStringLiteral("资源URL"), QStringLiteral("PR"), QStringLiteral("备注&说明")};
}

QString ResourceCatalogue::buildQuery(int categoryNumber, int filterIndex, const QString &filterText)
{
    QString query = QStringLiteral("cid=") + QString::number(categoryNumber);
    if (filterIndex >= 1)
        query += QStringLiteral("&dirtype=") + filterText;
    return query + QStringLiteral("&page={xxx}");
}

QList<QStringList> ResourceCatalogue::pageRows(const QString &page)
{
    const QStringList parts = page.split(QStringLiteral("<br>"));
    QList<QStringList> rows;
    // What follows the last "<br>" is not a resource.
    // Pages put a line break after each "<br>"; it belongs to no field.
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        QStringList fields = parts.at(i).split(QLatin1Char('~'));
        for (QString &f : fields)
            f = f.trimmed();
        rows.append(fields);
    }
    return rows;
}

QUrl ResourceCatalogue::siteAddress(const QString &stored)
{
    QString address = stored.trimmed();
    address.remove(QStringLiteral("http://"), Qt::CaseInsensitive);
    if (address.isEmpty())
        return {};
    if (!address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)) {
        // "javascript:…", "file:…", "mailto:…": a scheme of its own is not a
        // site. A host with a port ("example.com:8080") is.
        static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d)"));
        if (scheme.match(address).hasMatch())
            return {};
        address.prepend(QStringLiteral("http://"));
    }
    const QUrl url(address, QUrl::TolerantMode);
    const QString s = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (s != u"http" && s != u"https"))
        return {};
    return url;
}

void ResourceCatalogue::requestStop() { m_job.requestStop(); }

ResourceCatalogue::Outcome ResourceCatalogue::park()
{
    m_job.park();
    return Outcome::Paused;
}

ResourceCatalogue::Outcome ResourceCatalogue::QueryLinkRes(int row, int filterIndex, const QString &filterText)
{
    if (row < 0 || row >= categories().size()) {
        m_prompter.notice(QStringLiteral("请选择一个资源分类"));
        return Outcome::NoCategory;
    }
    if (m_job.otherJobBusy() || m_job.isActive())
        return Outcome::OtherJobBusy;
    const ResourceCategory &category = categories().at(row);
    if (category.number != m_previousCategory) {
        m_list->clear();
        m_previousCategory = category.number;
        m_resumePage = -1;
        m_resumeRow = -1;
    }
    // Only a run parked by this catalogue, with the program still showing
    // "已暂停", resumes; anything else starts afresh.
    const bool resumed = m_job.state() == JobStatus::Paused && m_status.state() == JobStatus::Paused;
    if (!resumed)
        m_list->clear();
    const QString query = buildQuery(category.number, filterIndex, filterText);

    m_list->setSortingEnabled(false);
    if (!m_job.start())
        return Outcome::OtherJobBusy;
    m_status.clearProgress();

    const int firstPage = (!resumed || m_resumePage < 1) ? 1 : m_resumePage;
    const int firstRow = (!resumed || m_resumeRow < 0) ? 0 : m_resumeRow;
    // One fetcher per run: the character set found on its first page holds
    // for the rest of the run.
    CXHtml html;
    html.TryTime = 10;
    int emptyPages = 0;
    int failedPages = 0;
    for (int page = firstPage; page <= category.pageLimit; ++page) {
        if (m_job.stopRequested()) {
            // Every row before this page is in: the next start begins here.
            m_resumePage = page;
            m_resumeRow = 0;
            return park();
        }
        if (emptyPages > kEmptyPagesAllowed)
            break;
        m_resumePage = page;
        Q_EMIT pageStarted(page);
        html.url = m_endpoints.url(Endpoints::Service::Maker,
                                   QStringLiteral("/list.asp?")
                                       + QString(query).replace(QStringLiteral("{xxx}"), QString::number(page)));
        const FetchOutcome outcome = html.fetchOutcome();
        if (outcome.body.isEmpty()) {
            // A failed page adds nothing, and counts like an empty one; the
            // status bar says which it was.
            ++emptyPages;
            if (outcome.failed()) {
                ++failedPages;
                // The count so far stays in view, also when the run is stopped.
                m_status.setCurrent(QStringLiteral("外链资源库：%1页读取失败（第%2页：%3）")
                                        .arg(failedPages)
                                        .arg(page)
                                        .arg(outcome.reason()));
            }
            continue;
        }
        const QString text = outcome.body;
        const QList<QStringList> rows = pageRows(text);
        const int start = (page == firstPage && resumed) ? firstRow : 0;
        for (int line = start; line < rows.size(); ++line) {
            m_resumeRow = line;
            if (m_job.stopRequested())
                return park();
            const QStringList &fields = rows.at(line);
            m_list->addRow(fields.value(Name), {fields.value(Url), fields.value(Pr), fields.value(Note)});
            Q_EMIT rowAdded(page, line);
        }
    }
    m_resumePage = 1;
    m_resumeRow = 0;
    m_job.finish();
    // A run cut short by failed pages must not pass for a category that ran out.
    if (failedPages > 0)
        m_status.setCurrent(QStringLiteral("外链资源库：%1页读取失败").arg(failedPages));
    return Outcome::Finished;
}
