#include "filelist/liststatussink.h"

#include "filelist/filelistmodel.h"

namespace sonivert {

void FileListStatusSink::makeRowVisible(int32_t rowIndex)
{
    m_list.makeRowVisible(rowIndex);
}

void FileListStatusSink::setRowStatus(int32_t rowIndex, const std::string& text)
{
    m_list.setStatusText(rowIndex, text);
}

void FileListStatusSink::widenStatusColumn(int32_t width)
{
    if (m_list.columnWidth(kColumnStatus) < width)
        m_list.setColumnWidth(kColumnStatus, width);
}

} // namespace sonivert
