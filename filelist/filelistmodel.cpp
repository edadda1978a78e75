#include "filelist/filelistmodel.h"

#include "engine/userprompts.h"
#include "filelist/pathtext.h"
#include "filelist/rowformat.h"

#include <algorithm>
#include <numeric>

namespace sonivert {
namespace {

constexpr std::array<ColumnInfo, kColumnCount> kColumns = {{
    {"File", ColumnAlignment::Left, 152, SortType::Text},
    {"Duration", ColumnAlignment::Right, 65, SortType::Duration},
    {"Bit Rate", ColumnAlignment::Right, 65, SortType::Number},
    {"Freq.", ColumnAlignment::Right, 65, SortType::Number},
    {"Channels", ColumnAlignment::Left, 60, SortType::Text},
    {"Status", ColumnAlignment::Left, 145, SortType::Text},
}};

bool validColumn(int32_t column)
{
    return column >= 0 && column < kColumnCount;
}

} // namespace

std::span<const ColumnInfo> FileListModel::columns()
{
    return kColumns;
}

FileListModel::FileListModel()
{
    for (size_t i = 0; i < kColumns.size(); ++i)
        m_columnWidths[i] = kColumns[i].width;
}

FileListModel::~FileListModel() = default;

FileEntry* FileListModel::entry(int32_t row)
{
    return validRow(row) ? m_rows[static_cast<size_t>(row)]->entry.get() : nullptr;
}

const FileEntry* FileListModel::entry(int32_t row) const
{
    return validRow(row) ? m_rows[static_cast<size_t>(row)]->entry.get() : nullptr;
}

const std::string& FileListModel::cellText(int32_t row, int32_t column) const
{
    static const std::string kEmpty;
    if (!validRow(row) || !validColumn(column))
        return kEmpty;
    return m_rows[static_cast<size_t>(row)]->cells[static_cast<size_t>(column)];
}

void FileListModel::setCellText(int32_t row, int32_t column, std::string text)
{
    if (!validRow(row) || !validColumn(column))
        return;
    m_rows[static_cast<size_t>(row)]->cells[static_cast<size_t>(column)] = std::move(text);
    if (m_listener)
        m_listener->cellChanged(row, column);
}

void FileListModel::makeRowVisible(int32_t row)
{
    if (validRow(row) && m_listener)
        m_listener->rowVisibilityRequested(row);
}

int32_t FileListModel::columnWidth(int32_t column) const
{
    return validColumn(column) ? m_columnWidths[static_cast<size_t>(column)] : 0;
}

void FileListModel::setColumnWidth(int32_t column, int32_t width)
{
    if (!validColumn(column) || m_columnWidths[static_cast<size_t>(column)] == width)
        return;
    m_columnWidths[static_cast<size_t>(column)] = width;
    if (m_listener)
        m_listener->columnWidthChanged(column, width);
}

int32_t FileListModel::AddRow(FileEntry entry)
{
    std::string key = PathIndex::keyOf(entry.sourcePath);
    if (m_pathIndex.containsKey(key))
        return -1;

    auto row = std::make_unique<Row>();
    row->cells[kColumnFile] = fileNamePart(entry.sourcePath);
    row->cells[kColumnDuration] = durationText(entry.durationSeconds);
    row->cells[kColumnBitRate] = bitRateText(entry.bitrateKbps);
    row->cells[kColumnFreq] = sampleRateText(entry.sampleRate);
    row->cells[kColumnChannels] = channelsText(entry);
    row->entry = std::make_unique<FileEntry>(std::move(entry));
    row->pathKey = std::move(key);

    const int32_t index = rowCount();
    if (m_listener)
        m_listener->rowsAboutToBeInserted(index, index);
    m_pathIndex.insertKey(row->pathKey, row->entry.get());
    m_rows.push_back(std::move(row));
    if (m_listener) {
        m_listener->rowsInserted(index, index);
        m_listener->rowVisibilityRequested(index);
    }
    return index;
}

void FileListModel::SortByColumn(int32_t column, bool ascending)
{
    if (!validColumn(column))
        return;
    m_sortColumn = column;
    m_sortAscending = ascending;

    // Each cell is read once; the sort then compares the prepared keys.
    const SortType type = kColumns[static_cast<size_t>(column)].sortType;
    std::vector<CellSortKey> keys;
    keys.reserve(m_rows.size());
    for (const auto& row : m_rows)
        keys.push_back(makeSortKey(type, row->cells[static_cast<size_t>(column)]));

    std::vector<int32_t> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        const int c = compareSortKeys(type, keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
        return ascending ? c < 0 : c > 0;
    });

    if (m_listener)
        m_listener->aboutToReorder();
    std::vector<std::unique_ptr<Row>> sorted;
    sorted.reserve(m_rows.size());
    std::vector<int32_t> newRowOfOld(m_rows.size());
    for (size_t i = 0; i < order.size(); ++i) {
        newRowOfOld[static_cast<size_t>(order[i])] = static_cast<int32_t>(i);
        sorted.push_back(std::move(m_rows[static_cast<size_t>(order[i])]));
    }
    m_rows = std::move(sorted);
    if (m_listener)
        m_listener->reordered(newRowOfOld);
}

void FileListModel::columnClicked(int32_t column)
{
    SortByColumn(column, !(column == m_sortColumn && m_sortAscending));
}

void FileListModel::removeRows(int32_t first, int32_t last)
{
    if (m_listener)
        m_listener->rowsAboutToBeRemoved(first, last);
    const auto begin = m_rows.begin() + first;
    const auto end = m_rows.begin() + last + 1;
    for (auto it = begin; it != end; ++it)
        m_pathIndex.eraseKey((*it)->pathKey);
    m_rows.erase(begin, end);
    if (m_listener)
        m_listener->rowsRemoved(first, last);
}

void FileListModel::RemoveCommand(std::span<const int32_t> selectedRows, UserPrompts& prompts)
{
    std::vector<int32_t> rows;
    for (int32_t row : selectedRows) {
        if (validRow(row))
            rows.push_back(row);
    }
    if (rows.empty()) {
        prompts.showMessage(UserPrompts::Icon::Information, "You should select a file at least.");
        return;
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    // Runs of neighbouring rows go in one step, from the bottom up so that
    // the indices still to be removed stay valid.
    size_t end = rows.size();
    while (end > 0) {
        size_t start = end - 1;
        while (start > 0 && rows[start - 1] == rows[start] - 1)
            --start;
        removeRows(rows[start], rows[end - 1]);
        end = start;
    }
}

void FileListModel::RemoveAllCommand(UserPrompts& prompts)
{
    if (m_rows.empty()) {
        prompts.showMessage(UserPrompts::Icon::Information, "There aren't files in list.");
        return;
    }
    removeAllRows();
}

void FileListModel::removeAllRows()
{
    if (m_listener)
        m_listener->aboutToRemoveAll();
    m_rows.clear();
    m_pathIndex.clear();
    if (m_listener)
        m_listener->allRemoved();
}

} // namespace sonivert
