#include "common/ResultListStore.h"

#include <cstring>

ResultListStore::ResultListStore(int width)
    : m_width(qMax(1, width))
{
}

void ResultListStore::reserve(int rows)
{
    if (rows > m_rows)
        m_cells.reserve(size_t(rows) * size_t(m_width));
}

int ResultListStore::appendRow()
{
    m_cells.resize(m_cells.size() + size_t(m_width));
    return m_rows++;
}

int ResultListStore::copyRow(int row)
{
    const int id = appendRow();
    std::copy_n(m_cells.begin() + ptrdiff_t(row) * m_width, m_width, m_cells.begin() + ptrdiff_t(id) * m_width);
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
    m_cells[size_t(row) * size_t(m_width) + size_t(column)] = place(text);
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
    std::vector<Ref> wider(size_t(m_rows) * size_t(width));
    for (int r = 0; r < m_rows; ++r)
        std::copy_n(m_cells.begin() + ptrdiff_t(r) * m_width, m_width, wider.begin() + ptrdiff_t(r) * width);
    m_cells = std::move(wider);
    m_width = width;
}

ResultListStore::Ref ResultListStore::place(QStringView text)
{
    const qsizetype n = text.size();
    if (n == 0)
        return {};
    if (n >= qsizetype(kBlockSize)) {
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
