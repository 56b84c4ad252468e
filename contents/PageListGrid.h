// stgPageList: the grid of the contents page over the album's picture list. The row
// header is the fixed column 0 (the thumbnail, and the handle by which rows are dragged
// into a new order); the columns are the file name, the comment (the only editable one)
// and the hidden picture number. The PictureList stays the one copy of the data.
#pragma once

#include "view/PictureList.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QTableView>

#include <functional>

namespace folivex {

class PageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kFileName = 0, kComment = 1, kNumber = 2 };

    explicit PageListModel(PictureList& list, QObject* parent = nullptr)
        : QAbstractTableModel(parent), list_(list) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Tells the views that the list changed in any way.
    void Refresh();
    PictureList& List() { return list_; }

private:
    PictureList& list_;
};

// The row header: paints each row's thumbnail through a callback (grid row numbers,
// from 1) after its own background.
class PageListRowHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit PageListRowHeader(QWidget* parent = nullptr);
    std::function<void(QPainter*, const QRect&, int row)> PaintThumbnail;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

class TPageListGrid : public QTableView {
    Q_OBJECT
public:
    explicit TPageListGrid(PictureList& list, QWidget* parent = nullptr);

    PageListModel& Model() { return model_; }
    PageListRowHeader& RowHeader() { return *rowHeader_; }

    // H: the pixel height of the grid font.
    int FontHeight() const;
    // ResetPageList's geometry: rows ThumbnailSize high, header row H + 4, column 0
    // ThumbnailSize wide, text columns 10 (H + 4), the number column 1 pixel.
    void ResetGeometry(int thumbnailSize);
    // speThumSizeChange: row height, column 0 width and header height only.
    void ApplyThumbnailSize(int thumbnailSize);

    // The caret row (grid rows from 1).
    int CaretRow() const;
    // Moves the caret to a row; rows beyond the last picture row take the last one.
    void SetCaretRow(int row);

    // Writes a comment that is still being typed into the list and closes its editor;
    // nothing when no cell is being edited. Whatever reads the list for the user (save,
    // search, the view page) runs this first.
    void CommitEdit();
    bool Editing() const { return state() == QAbstractItemView::EditingState; }

    // Called after the user dragged a row to a new place.
    std::function<void()> OnRowsMoved;

private:
    void OnSectionMoved(int logicalIndex, int oldVisual, int newVisual);

    PageListModel model_;
    PageListRowHeader* rowHeader_;
};

} // namespace folivex
