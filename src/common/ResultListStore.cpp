#include "common/ResultListStore.h"

#include <cstring>

ResultListStore::ResultListStore(int width)
    : m_width(qMax(1, width))
{
}

void ResultListStore::reserve(int rows)
{
    if (rows > m_rows)
        m_rowBlocks.reserve(size_t(rows >> kRowBlockBits) + 1);
}

int ResultListStore::appendRow()
{
    if ((m_rows & kRowBlockMask) == 0)
        m_rowBlocks.emplace_back();
    std::vector<Ref> &block = m_rowBlocks.back();
    block.resize(block.size() + size_t(m_width));
    return m_rows++;
}

int ResultListStore::copyRow(int row)
{
    const int id = appendRow();
    for (int c = 0; c < m_width; ++c)
        refAt(id, c) = refAt(row, c);
    if (const auto t = m_tags.constFind(row); t != m_tags.cend())
        m_tags.insert(id, t.value());
    if (const auto i = m_images.constFind(row); i != m_images.cend())
        m_images.insert(id, i.value());
    return id;
}

void ResultListStore::setCell(int row, int column, QStringView text)
{
    if (row < 0 || row >= m_rows || column < 0)
        return;
    if (column >= m_width)
        widen(column + 1);
    refAt(row, column) = place(text);
}

void ResultListStore::setTag(int row, const QString &tag)
{
    if (tag.isEmpty())
        m_tags.remove(row);
    else
        m_tags.insert(row, tag);
}

void ResultListStore::setImageKey(int row, const QString &key)
{
    if (key.isEmpty())
        m_images.remove(row);
    else
        m_images.insert(row, key);
}

void ResultListStore::widen(int width)
{
    for (std::vector<Ref> &block : m_rowBlocks) {
        const size_t rows = block.size() / size_t(m_width);
        std::vector<Ref> wider(rows * size_t(width));
        for (size_t r = 0; r < rows; ++r)
            std::copy_n(block.begin() + ptrdiff_t(r * size_t(m_width)), m_width,
                        wider.begin() + ptrdiff_t(r * size_t(width)));
        block = std::move(wider);
    }
    m_width = width;
}

ResultListStore::Ref ResultListStore::place(QStringView text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return {};
    if (n >= qsizetype(kBlockSize) || (m_blockUsed + quint32(n) > kBlockSize && m_blocks.size() >= kMaxBlocks)) {
        m_huge.push_back(text.toString());
        return {quint32(m_huge.size() - 1), kHuge};
    }
    if (m_blockUsed + quint32(n) > kBlockSize) {
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(kBlockSize));
        m_blockUsed = 0;
    }
    const quint32 block = quint32(m_blocks.size() - 1);
    std::memcpy(m_blocks.back().get() + m_blockUsed, text.utf16(), size_t(n) * sizeof(char16_t));
    const Ref ref{(block << kBlockBits) | m_blockUsed, quint32(n)};
    m_blockUsed += quint32(n);
    return ref;
}
