#include "view/PageModel.h"

namespace folivex {

int PageModel::SnapToSpread(int row) const {
    // Integer forms of trunc(r / 2 + 0.5) * 2 - 1 and trunc(r / 4 + 0.75) * 4 - 3,
    // exact for every row of any album.
    if (row < 1)
        row = 1;
    if (splitMode == 1)
        return ((row + 3) / 4) * 4 - 3;
    return ((row + 1) / 2) * 2 - 1;
}

std::array<int, 4> PageModel::SlotRows(int rowCount) const {
    std::array<int, 4> rows{kBlankSlot, kBlankSlot, kBlankSlot, kBlankSlot};
    if (!IsSpreadOpen())
        return rows;
    const int p = currentPage;
    if (splitMode == 1) {
        rows = openMode == 0 ? std::array<int, 4>{p, p + 1, p + 2, p + 3}
                             : std::array<int, 4>{p + 2, p + 3, p, p + 1};
    } else {
        rows = openMode == 0 ? std::array<int, 4>{p, kBlankSlot, p + 1, kBlankSlot}
                             : std::array<int, 4>{p + 1, kBlankSlot, p, kBlankSlot};
    }
    for (int& r : rows)
        if (r >= rowCount)
            r = kBlankSlot;
    return rows;
}

bool PageModel::StepPage(PageSide clicked, int rowCount) {
    if (!IsSpreadOpen())
        return false;
    const long long d = openMode == 0 ? 1 : -1;
    const long long s = PicturesPerSpread();
    long long next = currentPage + (clicked == PageSide::Right ? d * s : -d * s);
    if (next < 0)
        next = kFrontCover;
    if (next > rowCount - 1)
        currentPage = kBackCover;
    else
        currentPage = int(next);
    return IsSpreadOpen();
}

void PageModel::OpenFromCover(int rowCount, bool hasPictures) {
    if (!hasPictures)
        return;
    if (IsFrontCover())
        currentPage = 1;
    else if (IsBackCover())
        currentPage = SnapToSpread(rowCount - 1);
}

std::string PageModel::CounterText(int rowCount) const {
    int shown = IsBackCover() ? kBackCoverCounter : currentPage;
    return std::to_string(shown) + "/" + std::to_string(rowCount - 1);
}

int PageModel::ScrollPosition(int rowCount) const {
    const int last = rowCount - 1;
    const bool left = openMode == 0;
    if (IsFrontCover())
        return left ? 1 : last;
    if (IsBackCover())
        return left ? last : 1;
    return left ? currentPage : rowCount - currentPage;
}

int PageModel::PageFromScrollPosition(int position, int rowCount) const {
    int row = openMode == 0 ? position : rowCount - position;
    return SnapToSpread(row);
}

} // namespace folivex
