#pragma once

#include <QHash>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

// The cells of one or more result lists, kept compactly: every text lives in
// large UTF-16 blocks that never move, and a cell is a position and a length.
// A million rows of keywords then cost their characters and a few bytes each,
// not one heap block per cell. Rows are only ever appended; a list changing a
// row that another list also shows takes a fresh copy of it first, so lists
// sharing a store never see each other's edits.
class ResultListStore
{
public:
    explicit ResultListStore(int width);
    ResultListStore(const ResultListStore &) = delete;
    ResultListStore &operator=(const ResultListStore &) = delete;

    int width() const { return m_width; }
    int rowCount() const { return m_rows; }

    void reserve(int rows);
    // A new row with every cell empty; returns its id.
    int appendRow();
    // A new row holding the same cells, tag and image key as `row`.
    int copyRow(int row);

    QStringView cell(int row, int column) const
    {
        if (column < 0 || column >= m_width)
            return {};
        const Ref &ref = refAt(row, column);
        if (ref.length == 0)
            return {};
        if (ref.length == kHuge)
            return m_huge[ref.pos];
        return QStringView(m_blocks[ref.pos >> kBlockBits].get() + (ref.pos & kBlockMask), qsizetype(ref.length));
    }
    void setCell(int row, int column, QStringView text);

    QString tag(int row) const { return m_tags.value(row); }
    QString imageKey(int row) const { return m_images.value(row); }
    void setTag(int row, const QString &tag);
    void setImageKey(int row, const QString &key);
    // Whether any row carries a tag or an image key.
    bool hasTagsOrImages() const { return !m_tags.isEmpty() || !m_images.isEmpty(); }

private:
    struct Ref {
        quint32 pos = 0;
        quint32 length = 0;
    };
    static constexpr int kBlockBits = 20;
    static constexpr quint32 kBlockSize = 1u << kBlockBits;
    static constexpr quint32 kBlockMask = kBlockSize - 1;
    static constexpr quint32 kHuge = 0xFFFFFFFFu;
    static constexpr size_t kMaxBlocks = size_t(1) << (32 - kBlockBits); // what a position can address

    static constexpr int kRowBlockBits = 14;
    static constexpr int kRowBlockMask = (1 << kRowBlockBits) - 1;

    const Ref &refAt(int row, int column) const
    {
        return m_rowBlocks[size_t(row >> kRowBlockBits)]
                          [size_t(row & kRowBlockMask) * size_t(m_width) + size_t(column)];
    }
    Ref &refAt(int row, int column)
    {
        return m_rowBlocks[size_t(row >> kRowBlockBits)]
                          [size_t(row & kRowBlockMask) * size_t(m_width) + size_t(column)];
    }
    void widen(int width);
    Ref place(QStringView text);

    int m_width;
    int m_rows = 0;
    // The cells of each block of rows, row by row: a growing table never
    // copies more than one block at a time.
    std::vector<std::vector<Ref>> m_rowBlocks;
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    quint32 m_blockUsed = kBlockSize; // the first text opens a block
    std::vector<QString> m_huge;      // texts longer than a block
    QHash<int, QString> m_tags;       // few lists use them: kept aside
    QHash<int, QString> m_images;
};
