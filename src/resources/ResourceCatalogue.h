#pragma once

#include "common/Job.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

class Endpoints;
class JobStatus;
class Prompter;
class ResultList;

// One category of the catalogue service.
struct ResourceCategory {
    QString name;     // "分类名称"
    QString language; // "语言"
    QString count;    // "资源数量"
    QString tooltip;
    int number = 0; // "cid=" of the list request
    int pageLimit = 0;
};

// The backlink resource catalogue: pages through the maker's catalogue
// service for one category and lists its resources. A stop parks the run at
// the page and row not yet added; the next start on the same category goes
// on from there without clearing the list. Blocks its caller while fetching
// (the event loop keeps running, so the stop click is seen).
class ResourceCatalogue : public QObject
{
    Q_OBJECT
public:
    enum Column { Name = 0, Url = 1, Pr = 2, Note = 3 };
    enum class Outcome { NoCategory, OtherJobBusy, Paused, Finished };
    Q_ENUM(Outcome)

    // More empty pages than this end a run.
    static constexpr int kEmptyPagesAllowed = 2;

    ResourceCatalogue(const Endpoints &endpoints, JobStatus &status, Prompter &prompter, QObject *parent = nullptr);
    ~ResourceCatalogue() override;

    static const QList<ResourceCategory> &categories();
    // The second-level filter entries for category row `row` (0-based):
    // only the web directories have any; entry 0 means no filter.
    static QStringList filterEntries(int row);
    static QStringList listHeaders();
    // "cid=8&dirtype=免费&page={xxx}": the filter goes in unchanged, and only
    // for an entry past 0.
    static QString buildQuery(int categoryNumber, int filterIndex, const QString &filterText);
    // The resources of a list page: every part that a "<br>" ends, split at
    // "~" (name, address, PR, note), each field without surrounding white space.
    static QList<QStringList> pageRows(const QString &page);
    // Where double-clicking a resource goes: the address with exactly one
    // "http://" in front (an https address stays https). Invalid for any
    // other scheme ("javascript:", "file:"), which opens nothing.
    static QUrl siteAddress(const QString &stored);

    ResultList &list() { return *m_list; }
    Job &job() { return m_job; }

    // The listing of category row `row` (0-based; -1: none ticked), with
    // the filter box's chosen entry. Returns when it parks or finishes.
    Outcome QueryLinkRes(int row, int filterIndex, const QString &filterText);
    // The stop click: the run parks before its next row or page.
    void requestStop();

    int previousCategory() const { return m_previousCategory; }
    // The page and row the next resumed run starts at; -1 when unset.
    int resumePage() const { return m_resumePage; }
    int resumeRow() const { return m_resumeRow; }

Q_SIGNALS:
    void stateChanged(JobStatus::State state);
    // A resource row was added from line `line` of page `page`.
    void rowAdded(int page, int line);
    // A page is about to be fetched.
    void pageStarted(int page);

private:
    Outcome park();

    const Endpoints &m_endpoints;
    JobStatus &m_status;
    Prompter &m_prompter;
    ResultList *m_list;
    Job m_job;
    int m_previousCategory = 0;
    int m_resumePage = -1;
    int m_resumeRow = -1;
};
