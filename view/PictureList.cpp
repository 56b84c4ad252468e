#include "view/PictureList.h"

namespace folivex {

void PictureList::Reset() {
    rows_.assign(1, Row{});
}

void PictureList::SetRowCount(int rowCount) {
    rows_.resize(std::size_t(rowCount > 1 ? rowCount - 1 : 0));
}

const PictureList::Row& PictureList::At(int row) const {
    static const Row blank;
    if (row < 1 || row > int(rows_.size()))
        return blank;
    return rows_[std::size_t(row - 1)];
}

PictureList::Row& PictureList::MutableAt(int row) {
    if (row < 1)
        row = 1;
    if (row > int(rows_.size()))
        rows_.resize(std::size_t(row));
    return rows_[std::size_t(row - 1)];
}

void PictureList::Append(Row row) {
    rows_.push_back(std::move(row));
}

void PictureList::Insert(int row, Row value) {
    if (row < 1)
        row = 1;
    if (row > int(rows_.size()) + 1)
        row = int(rows_.size()) + 1;
    rows_.insert(rows_.begin() + (row - 1), std::move(value));
}

void PictureList::Remove(int row) {
    if (row < 1 || row > int(rows_.size()))
        return;
    rows_.erase(rows_.begin() + (row - 1));
    if (rows_.empty())
        rows_.push_back(Row{});
}

void PictureList::Move(int from, int to) {
    const int n = int(rows_.size());
    if (from < 1 || from > n || to < 1 || to > n || from == to)
        return;
    Row r = std::move(rows_[std::size_t(from - 1)]);
    rows_.erase(rows_.begin() + (from - 1));
    rows_.insert(rows_.begin() + (to - 1), std::move(r));
}

} // namespace folivex
