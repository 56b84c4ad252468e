#include "view/BookLayout.h"

#include <climits>
#include <cmath>

namespace folivex {

namespace {

// Truncation toward zero, clamped so that absurd sizes cannot overflow an int.
int Trunc(double x) {
    if (!(x > double(INT_MIN)))
        return x != x ? 0 : INT_MIN;
    if (x >= double(INT_MAX))
        return INT_MAX;
    return int(x);
}

} // namespace

PictureRect OpenBookRect(int wb, int hb, double k) {
    const int h = Trunc(k * hb);
    const int w = Trunc(h / 1.4 * 2);
    return {Trunc((wb - w) / 2.0), Trunc((1 - k) * hb / 2), w, h};
}

int OpenPageWidth(int bookWidth) {
    return Trunc(bookWidth / 2.0 + 0.5);
}

ClosedBookLayout ClosedBookRect(int wb, int hb, double k, int openMode, Cover cover) {
    const int b = Trunc(k * hb / 1.4);
    const int s = Trunc(0.1 * b + 0.5);
    ClosedBookLayout l;
    l.book.top = Trunc((1 - k) * hb / 2);
    l.book.width = Trunc(1.1 * b);
    l.book.height = Trunc(k * hb);
    // The front of a left-opening book and the back of a right-opening one lie right of
    // the centre line with the strip on their left; the other two are mirrored.
    const bool stripFirst = (cover == Cover::Front) == (openMode == 0);
    if (stripFirst) {
        l.book.left = Trunc(wb / 2.0 - 0.1 * b);
        l.leftPage = {0, 0, s, l.book.height};
        l.rightPage = {s, 0, b, l.book.height};
    } else {
        l.book.left = Trunc(wb / 2.0 - b + 0.1 * b);
        l.leftPage = {0, 0, b, l.book.height};
        l.rightPage = {b, 0, s, l.book.height};
    }
    return l;
}

SlotBox SlotBoxOf(int splitMode, int rate, BookSize page) {
    const bool fourSplit = splitMode == 1;
    const int w = Trunc(page.width * rate / 110.0);
    return {w, fourSplit ? Trunc(w / 1.4) : Trunc(w * 1.4), fourSplit};
}

std::optional<PictureRect> FitPicture(int splitMode, int rate, int slot, BookSize page, int bw,
                                      int bh) {
    if (page.width <= 0 || page.height <= 0 || bw <= 0 || bh <= 0)
        return std::nullopt;
    const bool fourSplit = splitMode == 1;
    const auto [w, h] = FitIntoSlot(SlotBoxOf(splitMode, rate, page), bw, bh);
    int top;
    if (!fourSplit) {
        top = Trunc((page.height - h) / 2.0);
    } else {
        top = Trunc((page.height / 2.0 - h) / 3);
        if (slot == 1 || slot == 3)
            top += Trunc(page.height / 2.0);
    }
    return PictureRect{Trunc((page.width - w) / 2.0), top, w, h};
}

std::optional<TitleLayout> CoverTitleLayout(BookSize cover, std::size_t cp932Length) {
    if (cp932Length == 0)
        return std::nullopt;
    TitleLayout t;
    t.fontHeight = Trunc(0.7 * cover.width / double(cp932Length)) * 2;
    if (t.fontHeight <= 0)
        return std::nullopt;
    const int third = Trunc(cover.height / 3.0);
    t.textX = Trunc(cover.width / 10.0);
    t.textY = third;
    t.frameLeft = Trunc(cover.width / 20.0);
    t.frameTop = third - Trunc(0.5 * t.fontHeight);
    t.frameRight = cover.width - Trunc(cover.width / 20.0);
    t.frameBottom = third + Trunc(1.5 * t.fontHeight);
    return t;
}

CaptionLayout SlotCaptionLayout(BookSize page, int slot, int pictureHeight) {
    const bool bottom = slot == 1 || slot == 3;
    const double W = page.width, H = page.height;
    CaptionLayout c;
    c.left = Trunc(0.1 * W);
    c.right = Trunc(0.9 * W);
    c.top = Trunc((bottom ? 0.91 : 0.41) * H);
    c.bottom = Trunc((bottom ? 0.97 : 0.47) * H);
    c.corner = Trunc(0.05 * pictureHeight);
    c.fontHeight = Trunc(0.04 * H);
    c.textX = Trunc(0.15 * W);
    c.textY = Trunc((bottom ? 0.92 : 0.42) * H);
    return c;
}

int ShadeChannel(int c, int i, int n) {
    if (n <= 0)
        return c;
    const double squareN = double(n) * n;
    return c - Trunc(double(std::int64_t(i) * i * c) / squareN);
}

int ShadeColumn(int width, int n, int i, bool towardRight) {
    return towardRight ? width - n + i : n - i;
}

} // namespace folivex
