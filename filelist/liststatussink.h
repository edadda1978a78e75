#pragma once

#include "engine/conversionjob.h"

namespace sonivert {

class FileListModel;

// The batch driver's view of the file list: status texts go into the rows'
// Status cells, visibility requests and the column width to the model,
// which passes them on to whatever view shows it.
class FileListStatusSink final : public RowStatusSink {
public:
    explicit FileListStatusSink(FileListModel& list) : m_list(list) {}

    void makeRowVisible(int32_t rowIndex) override;
    void setRowStatus(int32_t rowIndex, const std::string& text) override;
    // Never narrows the column: a width the user dragged wider stays.
    void widenStatusColumn(int32_t width) override;

private:
    FileListModel& m_list;
};

} // namespace sonivert
