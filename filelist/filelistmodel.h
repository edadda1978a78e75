#pragma once

#include "filelist/fileentry.h"
#include "filelist/pathindex.h"
#include "filelist/sortcompare.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sonivert {

class UserPrompts;

enum class ColumnAlignment { Left, Right };

struct ColumnInfo {
    std::string_view heading;
    ColumnAlignment alignment;
    int32_t width; // pixels, when the list is created
    SortType sortType;
};

enum FileListColumn : int32_t {
    kColumnFile = 0,
    kColumnDuration = 1,
    kColumnBitRate = 2,
    kColumnFreq = 3,
    kColumnChannels = 4,
    kColumnStatus = 5,
    kColumnCount = 6,
};

// What the view of the list learns from the model. Every "about to" call
// comes while the model still shows the old state, its partner right after
// the change, so a Qt item model can wrap these one to one (beginInsertRows /
// endInsertRows, layoutAboutToBeChanged / layoutChanged, ...). All calls come
// on the thread that uses the model; each default does nothing.
class FileListListener {
public:
    virtual ~FileListListener() = default;

    // Rows first..last (inclusive) are appended.
    virtual void rowsAboutToBeInserted(int32_t /*first*/, int32_t /*last*/) {}
    virtual void rowsInserted(int32_t /*first*/, int32_t /*last*/) {}
    // Rows first..last (inclusive) are removed; later rows move up.
    virtual void rowsAboutToBeRemoved(int32_t /*first*/, int32_t /*last*/) {}
    virtual void rowsRemoved(int32_t /*first*/, int32_t /*last*/) {}
    virtual void aboutToRemoveAll() {}
    virtual void allRemoved() {}
    // The rows are sorted: the row that was at index i is now at
    // newRowOfOld[i] (so a view can carry its selection along).
    virtual void aboutToReorder() {}
    virtual void reordered(std::span<const int32_t> /*newRowOfOld*/) {}
    virtual void cellChanged(int32_t /*row*/, int32_t /*column*/) {}
    virtual void columnWidthChanged(int32_t /*column*/, int32_t /*width*/) {}
    // Scroll so that the row can be seen.
    virtual void rowVisibilityRequested(int32_t /*row*/) {}
};

// The file list without its widget: one row per input file with its six cell
// texts and its FileEntry, the path index of the listed files, the sort
// state and the column widths. The intake appends rows, the batch driver
// reads entries and writes Status texts and target paths, and the window's
// view shows the rows through a FileListListener.
//
// Rows are numbered from 0 in their current order. Operations given a row or
// column outside the list do nothing (and read as empty or null).
class FileListModel {
public:
    // The six columns: heading, alignment, first width, sort type.
    static std::span<const ColumnInfo> columns();

    FileListModel();
    ~FileListModel();
    FileListModel(const FileListModel&) = delete;
    FileListModel& operator=(const FileListModel&) = delete;

    // Null for none. The listener must outlive the model or be replaced.
    void setListener(FileListListener* listener) { m_listener = listener; }

    int32_t rowCount() const { return static_cast<int32_t>(m_rows.size()); }
    // The row's entry; the model owns it until the row is removed.
    FileEntry* entry(int32_t row);
    const FileEntry* entry(int32_t row) const;
    const std::string& cellText(int32_t row, int32_t column) const;
    void setCellText(int32_t row, int32_t column, std::string text);
    void setStatusText(int32_t row, std::string text) { setCellText(row, kColumnStatus, std::move(text)); }
    void makeRowVisible(int32_t row);

    int32_t columnWidth(int32_t column) const;
    void setColumnWidth(int32_t column, int32_t width);

    bool isListed(const std::string& path) const { return m_pathIndex.contains(path); }
    const PathIndex& pathIndex() const { return m_pathIndex; }

    // Appends a row for entry with its File, Duration, Bit Rate, Freq. and
    // Channels texts and an empty Status, enters its path into the path index,
    // asks the view to show it, and returns its index. Returns -1 and adds
    // nothing when the path is already listed.
    int32_t AddRow(FileEntry entry);

    // Sorts the rows by one column, stably; rows move with their entries.
    // Descending is the exact reverse of ascending except that rows whose
    // cells are equivalent keep their relative order in both.
    void SortByColumn(int32_t column, bool ascending);
    // A click on a column heading: the sorted column sorted ascending is
    // sorted descending; any other click sorts ascending.
    void columnClicked(int32_t column);
    int32_t sortColumn() const { return m_sortColumn; } // -1 before the first sort
    bool sortAscending() const { return m_sortAscending; }

    // Removes the selected rows (indices in any order; repeats and indices
    // outside the list are ignored) with their entries and path index keys.
    // With nothing selected it tells the user so instead.
    void RemoveCommand(std::span<const int32_t> selectedRows, UserPrompts& prompts);
    // Removes every row, or tells the user that the list is empty.
    void RemoveAllCommand(UserPrompts& prompts);
    // Removes every row without a word (the window is closing).
    void removeAllRows();

private:
    struct Row {
        std::unique_ptr<FileEntry> entry;
        std::array<std::string, kColumnCount> cells;
        std::string pathKey;
    };

    bool validRow(int32_t row) const { return row >= 0 && row < rowCount(); }
    void removeRows(int32_t first, int32_t last);

    std::vector<std::unique_ptr<Row>> m_rows;
    PathIndex m_pathIndex;
    std::array<int32_t, kColumnCount> m_columnWidths{};
    int32_t m_sortColumn = -1;
    bool m_sortAscending = true;
    FileListListener* m_listener = nullptr;
};

} // namespace sonivert
