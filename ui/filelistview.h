#pragma once

#include "filelist/filelistmodel.h"

#include <QAbstractTableModel>
#include <QTreeView>

#include <vector>

namespace sonivert::ui {

// The file list model as a Qt item model: the six cell texts of every row,
// the column headings and alignments. It listens to the model and reports
// each change to the views one to one; sorting carries the views'
// selection and current row along with the rows.
class FileListTableModel final : public QAbstractTableModel, private FileListListener {
    Q_OBJECT
public:
    // Registers itself as list's listener until destroyed.
    explicit FileListTableModel(FileListModel& list, QObject* parent = nullptr);
    ~FileListTableModel() override;

    FileListModel& list() { return m_list; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    void columnWidthWanted(int column, int width);
    void rowToShow(int row);

private:
    void rowsAboutToBeInserted(int32_t first, int32_t last) override;
    void rowsInserted(int32_t first, int32_t last) override;
    void rowsAboutToBeRemoved(int32_t first, int32_t last) override;
    void rowsRemoved(int32_t first, int32_t last) override;
    void aboutToRemoveAll() override;
    void allRemoved() override;
    void aboutToReorder() override;
    void reordered(std::span<const int32_t> newRowOfOld) override;
    void cellChanged(int32_t row, int32_t column) override;
    void columnWidthChanged(int32_t column, int32_t width) override;
    void rowVisibilityRequested(int32_t row) override;

    FileListModel& m_list;
};

// The report view of the file list: six columns, several rows selected at
// once as whole rows, the selection shown also without focus, a click on a
// heading sorts by that column (ascending, then descending on a second
// click), and column widths follow the model.
class FileListView final : public QTreeView {
    Q_OBJECT
public:
    explicit FileListView(FileListTableModel& model, QWidget* parent = nullptr);

    // Selected rows in list order.
    std::vector<int32_t> selectedRowIndices() const;

signals:
    // A context menu was asked for, at globalPosition: the pointer, or the
    // centre of the view when the request came from the keyboard.
    void contextMenuWanted(const QPoint& globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void headingClicked(int column);

    FileListTableModel& m_model;
};

} // namespace sonivert::ui
