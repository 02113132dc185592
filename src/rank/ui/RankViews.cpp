#include "rank/ui/RankViews.h"

#include "rank/FavouriteList.h"
#include "rank/RankList.h"

#include <QHash>
#include <QHeaderView>
#include <QPainter>
#include <QPixmap>

namespace {

QColor toneColour(int tone)
{
    switch (RankChanges::Tone(tone)) {
    case RankChanges::Tone::Better: return QColor(QStringLiteral("#1b8a2e"));
    case RankChanges::Tone::Worse: return QColor(QStringLiteral("#c62828"));
    case RankChanges::Tone::Failed: return QColor(QStringLiteral("#8a8a8a"));
    case RankChanges::Tone::Neutral: break;
    }
    return {};
}

class RankRowDelegate : public BoldRowDelegate
{
public:
    using BoldRowDelegate::BoldRowDelegate;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        BoldRowDelegate::initStyleOption(option, index);
        const QString key = index.data(RankList::ImageKeyRole).toString();
        if (!key.isEmpty()) {
            option->icon = rankEngineIcon(key);
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->decorationSize = QSize(16, 16);
        }
        // The favourites list marks what the last run moved.
        const QString mark = index.data(FavouriteList::ChangeMarkRole).toString();
        if (!mark.isEmpty()) {
            option->text = mark + QStringLiteral("  ") + option->text;
            const QColor colour = toneColour(index.data(FavouriteList::ChangeToneRole).toInt());
            if (colour.isValid()) {
                // A selected row keeps the highlight's own text colour:
                // red or green on the selection blue is hard to read.
                option->palette.setColor(QPalette::Text, colour);
            }
        }
    }
};

} // namespace

QIcon rankEngineIcon(const QString &imageKey)
{
    static QHash<QString, QIcon> cache;
    const auto it = cache.constFind(imageKey);
    if (it != cache.constEnd())
        return it.value();
    QColor colour(QStringLiteral("#777777"));
    if (imageKey == u"google")
        colour = QColor(QStringLiteral("#4285f4"));
    else if (imageKey == u"yahoo")
        colour = QColor(QStringLiteral("#6001d2"));
    else if (imageKey == u"bing")
        colour = QColor(QStringLiteral("#008373"));
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colour);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(20);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, imageKey.left(1).toUpper());
    p.end();
    const QIcon icon(pixmap);
    cache.insert(imageKey, icon);
    return icon;
}

RankListView::RankListView(bool editable, QWidget *parent)
    : ResultListView(parent)
{
    setItemDelegate(new RankRowDelegate(this));
    header()->setSectionsClickable(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    if (editable)
        setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed
                        | QAbstractItemView::DoubleClicked);
}

void RankListView::setSortable(bool on) { header()->setSectionsClickable(on); }
