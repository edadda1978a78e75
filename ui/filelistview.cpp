#include "ui/filelistview.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace sonivert::ui {

FileListTableModel::FileListTableModel(FileListModel& list, QObject* parent) : QAbstractTableModel(parent), m_list(list)
{
    m_list.setListener(this);
}

FileListTableModel::~FileListTableModel()
{
    m_list.setListener(nullptr);
}

int FileListTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_list.rowCount();
}

int FileListTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant FileListTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(m_list.cellText(index.row(), index.column()));
    case Qt::ToolTipRole: {
        // The whole text of a cell too narrow for it (a long name, a failure's reason).
        const std::string& text = m_list.cellText(index.row(), index.column());
        return text.empty() ? QVariant() : QVariant(QString::fromStdString(text));
    }
    case Qt::TextAlignmentRole: {
        const ColumnInfo& column = FileListModel::columns()[static_cast<size_t>(index.column())];
        return static_cast<int>((column.alignment == ColumnAlignment::Right ? Qt::AlignRight : Qt::AlignLeft) |
                                Qt::AlignVCenter);
    }
    default:
        return {};
    }
}

QVariant FileListTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    const ColumnInfo& column = FileListModel::columns()[static_cast<size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromUtf8(column.heading.data(), static_cast<qsizetype>(column.heading.size()));
    case Qt::TextAlignmentRole:
        return static_cast<int>((column.alignment == ColumnAlignment::Right ? Qt::AlignRight : Qt::AlignLeft) |
                                Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags FileListTableModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void FileListTableModel::rowsAboutToBeInserted(int32_t first, int32_t last)
{
    beginInsertRows(QModelIndex(), first, last);
}

void FileListTableModel::rowsInserted(int32_t, int32_t)
{
    endInsertRows();
}

void FileListTableModel::rowsAboutToBeRemoved(int32_t first, int32_t last)
{
    beginRemoveRows(QModelIndex(), first, last);
}

void FileListTableModel::rowsRemoved(int32_t, int32_t)
{
    endRemoveRows();
}

void FileListTableModel::aboutToRemoveAll()
{
    beginResetModel();
}

void FileListTableModel::allRemoved()
{
    endResetModel();
}

void FileListTableModel::aboutToReorder()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListTableModel::reordered(std::span<const int32_t> newRowOfOld)
{
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        const auto oldRow = static_cast<size_t>(old.row());
        after.push_back(oldRow < newRowOfOld.size() ? index(newRowOfOld[oldRow], old.column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileListTableModel::cellChanged(int32_t row, int32_t column)
{
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::ToolTipRole});
}

void FileListTableModel::columnWidthChanged(int32_t column, int32_t width)
{
    emit columnWidthWanted(column, width);
}

void FileListTableModel::rowVisibilityRequested(int32_t row)
{
    emit rowToShow(static_cast<int>(row));
}

namespace {

// The column headings with the sort arrow above the heading's text, at the
// top edge, as a narrow column still shows its whole heading: the style's
// own indicator takes room beside the text and clips a right-aligned one
// ("Duration" showing as "uration").
class FileListHeader final : public QHeaderView {
public:
    explicit FileListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

    void showSortArrow(int column, Qt::SortOrder order)
    {
        m_sortColumn = column;
        m_order = order;
        viewport()->update();
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        // The style leaves the painter clipped to the heading's text.
        painter->save();
        QHeaderView::paintSection(painter, rect, logicalIndex);
        painter->restore();
        if (logicalIndex != m_sortColumn || !rect.isValid())
            return;
        // A small filled triangle in the heading's text colour: up for
        // ascending, as the style's own indicator shows it.
        constexpr int kArrowHalfWidth = 4, kArrowHeight = 4;
        const int middle = rect.center().x();
        const int top = rect.top() + 1;
        const bool up = m_order == Qt::AscendingOrder;
        const QPolygon arrow = up ? QPolygon({QPoint(middle - kArrowHalfWidth, top + kArrowHeight),
                                              QPoint(middle + kArrowHalfWidth, top + kArrowHeight),
                                              QPoint(middle, top)})
                                  : QPolygon({QPoint(middle - kArrowHalfWidth, top), QPoint(middle + kArrowHalfWidth, top),
                                              QPoint(middle, top + kArrowHeight)});
        painter->save();
        painter->setClipRect(rect);
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(Qt::NoPen);
        painter->setBrush(palette().color(QPalette::WindowText));
        painter->drawPolygon(arrow);
        painter->restore();
    }

private:
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
};

} // namespace

FileListView::FileListView(FileListTableModel& model, QWidget* parent) : QTreeView(parent), m_model(model)
{
    setHeader(new FileListHeader(this));
    setModel(&model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideRight);

    // The selection stays visible while another control has the focus.
    QPalette pal = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    QHeaderView* heading = header();
    heading->setStretchLastSection(false);
    heading->setSectionsClickable(true);
    heading->setSectionsMovable(false);
    heading->setSortIndicatorShown(false);
    for (int c = 0; c < kColumnCount; ++c)
        heading->resizeSection(c, model.list().columnWidth(c));

    connect(heading, &QHeaderView::sectionClicked, this, &FileListView::headingClicked);
    // A heading dragged wider or narrower is the column's width from then on
    // (the window remembers it).
    connect(heading, &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { m_model.list().setColumnWidth(column, width); });
    connect(&model, &FileListTableModel::columnWidthWanted, this,
            [this](int column, int width) { header()->resizeSection(column, width); });
    connect(&model, &FileListTableModel::rowToShow, this,
            [this](int row) { scrollTo(m_model.index(row, 0)); });
}

void FileListView::headingClicked(int column)
{
    m_model.list().columnClicked(column);
    static_cast<FileListHeader*>(header())->showSortArrow(
        column, m_model.list().sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

std::vector<int32_t> FileListView::selectedRowIndices() const
{
    std::vector<int32_t> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FileListView::contextMenuEvent(QContextMenuEvent* event)
{
    // The keyboard gives no pointer position: the menu opens in the middle
    // of the list.
    const QPoint position =
        event->reason() == QContextMenuEvent::Keyboard ? mapToGlobal(rect().center()) : event->globalPos();
    event->accept();
    emit contextMenuWanted(position);
}

} // namespace sonivert::ui
