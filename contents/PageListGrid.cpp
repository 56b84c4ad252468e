#include "contents/PageListGrid.h"

#include <QFont>
#include <QPainter>

namespace folivex {

namespace {

constexpr int kTextColumns = 10; // a text column is ten header rows wide

} // namespace

int PageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.RowCount() - 1;
}

int PageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 3;
}

QVariant PageListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    const PictureList::Row& row = list_.At(index.row() + 1);
    switch (index.column()) {
    case kFileName:
        return QString::fromStdString(row.fileName);
    case kComment:
        return QString::fromStdString(row.comment);
    case kNumber:
        return QString::fromStdString(row.number);
    default:
        return {};
    }
}

bool PageListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || index.column() != kComment)
        return false;
    list_.MutableAt(index.row() + 1).comment = value.toString().toStdString();
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant PageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    if (section == kFileName)
        return tr("ファイル名");
    if (section == kComment)
        return tr("コメント");
    return QString();
}

Qt::ItemFlags PageListModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kComment)
        f |= Qt::ItemIsEditable;
    return f;
}

void PageListModel::Refresh() {
    beginResetModel();
    endResetModel();
}

PageListRowHeader::PageListRowHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setSectionsClickable(true);
    setSectionsMovable(true);
    setMinimumSectionSize(1);
    setSectionResizeMode(QHeaderView::Fixed);
}

void PageListRowHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // The base class leaves the painter clipped to nothing; keep its state to itself.
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (!PaintThumbnail)
        return;
    painter->save();
    PaintThumbnail(painter, rect, logicalIndex + 1);
    painter->restore();
}

TPageListGrid::TPageListGrid(PictureList& list, QWidget* parent)
    : QTableView(parent), model_(list), rowHeader_(new PageListRowHeader(this)) {
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPixelSize(13);
    setFont(font);
    setVerticalHeader(rowHeader_);
    setModel(&model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed);
    setWordWrap(false);
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setHighlightSections(false);
    rowHeader_->setHighlightSections(false);
    connect(rowHeader_, &QHeaderView::sectionMoved, this, &TPageListGrid::OnSectionMoved);
    // Taking a row by its handle starts a drag; the comment typed so far stays its own.
    connect(rowHeader_, &QHeaderView::sectionPressed, this, &TPageListGrid::CommitEdit);

    // A reset (any change of the list) keeps the caret on its row where it still exists.
    auto caret = std::make_shared<QPoint>(0, 1);
    connect(&model_, &QAbstractItemModel::modelAboutToBeReset, this, [this, caret] {
        *caret = QPoint(currentIndex().isValid() ? currentIndex().column() : 0, CaretRow());
    });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this, caret] {
        const int row = std::min(caret->y(), model_.rowCount());
        setCurrentIndex(model_.index(row - 1, caret->x()));
    });
}

int TPageListGrid::FontHeight() const {
    const QFont& f = font();
    if (f.pixelSize() > 0)
        return f.pixelSize();
    return int(f.pointSizeF() * logicalDpiY() / 72.0);
}

void TPageListGrid::ApplyThumbnailSize(int thumbnailSize) {
    rowHeader_->setDefaultSectionSize(thumbnailSize);
    rowHeader_->setFixedWidth(thumbnailSize);
    horizontalHeader()->setFixedHeight(FontHeight() + 4);
}

void TPageListGrid::ResetGeometry(int thumbnailSize) {
    ApplyThumbnailSize(thumbnailSize);
    const int textWidth = (FontHeight() + 4) * kTextColumns;
    setColumnWidth(PageListModel::kFileName, textWidth);
    setColumnWidth(PageListModel::kComment, textWidth);
    setColumnWidth(PageListModel::kNumber, 1);
}

int TPageListGrid::CaretRow() const {
    return currentIndex().isValid() ? currentIndex().row() + 1 : 1;
}

void TPageListGrid::SetCaretRow(int row) {
    const int last = model_.rowCount();
    if (row < 1 || last < 1)
        return;
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentIndex(model_.index(std::min(row, last) - 1, column));
}

void TPageListGrid::CommitEdit() {
    if (state() != QAbstractItemView::EditingState)
        return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TPageListGrid::OnSectionMoved(int, int oldVisual, int newVisual) {
    CommitEdit();
    // The header only shows the move; the list itself is reordered and the header put
    // back, so the list's order stays the one the whole program reads.
    {
        const QSignalBlocker blocker(rowHeader_);
        rowHeader_->moveSection(newVisual, oldVisual);
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    model_.List().Move(oldVisual + 1, newVisual + 1);
    model_.Refresh();
    setCurrentIndex(model_.index(newVisual, column));
    if (OnRowsMoved)
        OnRowsMoved();
}

} // namespace folivex
