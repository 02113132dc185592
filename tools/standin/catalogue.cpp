// The maker's backlink catalogue: "/list.asp?cid=N[&dirtype=T]&page=P" answers
// one page of resources, each "name~address~PR~note" followed by "<br>", then a
// closing part that is not a resource. Pages past the end, and the pages a test
// asks to be empty, answer with an empty body. The old server speaks gb2312.

#include "pages.h"

#include <QStringEncoder>

namespace standin::detail {

namespace {

constexpr int kPageSize = 10;

struct Category {
    int cid;
    int size;
    const char *const *stems;
    int stemCount;
    const char *suffix;
};

const char *const kBlogStems[] = {"Blogger",  "WordPress",  "LiveJournal", "Tumblr",   "Typepad",  "Weebly",    "Xanga",
                                  "Blogsome", "Jux",        "Squarespace", "Blog.com", "Edublogs", "Blogetery", "Vox",
                                  "Multiply", "Blogstream", "OpenDiary",   "Penzu",    "Blogigo",  "Thoughts"};
const char *const kBookmarkStems[] = {"Delicious", "Digg",      "StumbleUpon", "Reddit",    "Diigo",
                                      "Folkd",     "BlinkList", "Mister Wong", "Newsvine",  "Faves",
                                      "Slashdot",  "Propeller", "Furl",        "Spurl",     "Connotea",
                                      "Citeulike", "BibSonomy", "Jumptags",    "Linkagogo", "Bookmarkz"};
const char *const kDirectoryStems[] = {
    "DMOZ",   "Best of the Web", "JoeAnt",   "Gimpsy",         "Skaffe",    "Uncover the Net", "Site Sift",
    "Ezilon", "Abilogic",        "Aviva",    "Goguides",       "Web World", "Info Listings",   "Lii",
    "Jayde",  "Starting Point",  "Sunsteam", "Rubber Stamped", "Elib",      "Cipinet"};

const Category kCategories[] = {
    {6, 38, kBlogStems, 20, "blog host"},
    {7, 155, kBookmarkStems, 20, "bookmarks"},
    {8, 7300, kDirectoryStems, 20, "directory"},
};

// The second-level kinds of the web directories, in the filter box's order.
const QStringList &directoryKinds()
{
    static const QStringList kinds = {QStringLiteral("免费"),      QStringLiteral("付费"),
                                      QStringLiteral("互链"),      QStringLiteral("免费&付费"),
                                      QStringLiteral("免费&互链"), QStringLiteral("互链&付费"),
                                      QStringLiteral("文章目录")};
    return kinds;
}

QString noteFor(const Category &c, int index, const QString &kind)
{
    if (c.cid == 8)
        return kind + QStringLiteral("目录，审核约") + QString::number(3 + index % 12) + QStringLiteral("天");
    static const QString notes[] = {QStringLiteral("免费注册，可带链接"), QStringLiteral("需邮件验证"),
                                    QStringLiteral("Dofollow，收录快"), QStringLiteral("注册后可发文章")};
    return notes[index % 4];
}

// Resource `index` of a category: name, address, PR and note, some fields
// missing the way old catalogue entries lack them.
QString resourceLine(const Category &c, int index, const QString &kind)
{
    const QString stem = QString::fromLatin1(c.stems[index % c.stemCount]);
    const int round = index / c.stemCount;
    const QString name = round == 0 ? stem : stem + u' ' + QString::number(round + 1);
    QString host = stem.toLower();
    host.remove(u' ');
    if (!host.contains(u'.'))
        host += QStringLiteral(".com");
    if (round > 0)
        host = QStringLiteral("s%1.").arg(round + 1) + host;
    // Addresses come written three ways: with "http://", bare, and https.
    QString address;
    switch (index % 3) {
    case 0: address = QStringLiteral("http://www.") + host + u'/'; break;
    case 1: address = QStringLiteral("www.") + host; break;
    default: address = QStringLiteral("https://") + host + QStringLiteral("/signup"); break;
    }
    const QString pr = QString::number((index * 7 + c.cid) % 11);
    if (index % 13 == 12)
        return name + u'~' + address; // no PR, no note
    if (index % 7 == 6)
        return name + u'~' + address + u'~' + pr; // no note
    return name + u'~' + address + u'~' + pr + u'~' + noteFor(c, index, kind);
}

// The filter text as the request gave it: "免费&付费" arrives unencoded, so
// its second half shows up as a key of its own.
QString filterOf(const ServiceRequest &req)
{
    QString text;
    bool inFilter = false;
    for (const auto &item : req.items) {
        if (item.first == u"dirtype") {
            text = item.second;
            inFilter = true;
        } else if (inFilter && item.second.isEmpty() && item.first != u"page") {
            text += u'&' + item.first;
        } else {
            inFilter = false;
        }
    }
    return text;
}

} // namespace

Page catalogueList(const ServiceRequest &req, const World &world)
{
    Page page;
    page.contentType = "text/html; charset=gb2312";
    const int cid = req.value(QStringLiteral("cid")).toInt();
    const int number = req.value(QStringLiteral("page")).toInt();
    QStringEncoder gb("GB18030");

    const QString given = world.cataloguePages.value(QString::number(cid) + u'/' + QString::number(number));
    if (!given.isNull()) {
        page.body = gb.encode(given);
        return page;
    }
    if (number < 1 || world.emptyCataloguePages.contains(number))
        return page;
    const Category *category = nullptr;
    for (const Category &c : kCategories) {
        if (c.cid == cid)
            category = &c;
    }
    if (!category)
        return page;

    // A filter keeps the directories of that kind (an unknown kind: none).
    const QString filter = filterOf(req);
    QList<int> members;
    for (int i = 0; i < category->size; ++i) {
        const QString kind = directoryKinds().at(i % directoryKinds().size());
        if (filter.isEmpty() || (cid == 8 && kind == filter))
            members.append(i);
    }
    const int first = (number - 1) * kPageSize;
    if (first >= members.size())
        return page;
    const int pages = int((members.size() + kPageSize - 1) / kPageSize);
    QString text;
    for (int i = first; i < qMin(first + kPageSize, int(members.size())); ++i) {
        const int index = members.at(i);
        text += resourceLine(*category, index, directoryKinds().at(index % directoryKinds().size()))
            + QStringLiteral("<br>\r\n");
    }
    text += QStringLiteral("<!-- %1 第%2/%3页 -->").arg(QString::fromLatin1(category->suffix)).arg(number).arg(pages);
    page.body = gb.encode(text);
    return page;
}

} // namespace standin::detail
