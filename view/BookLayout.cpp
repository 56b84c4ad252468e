#include "view/BookLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace folivex {

PictureRect OpenBookRect(int wb, int hb, double k) {
    const int h = TruncToInt(k * hb);
    const int w = TruncToInt(h / 1.4 * 2);
    return {TruncToInt((wb - w) / 2.0), TruncToInt((1 - k) * hb / 2), w, h};
}

PictureRect ContentsRect(int wb, int hb, double k) {
    const PictureRect book = OpenBookRect(wb, hb, k);
    const int left = std::clamp(book.left, 0, std::max(wb, 0));
    const int right = std::clamp(book.left + book.width, left, std::max(wb, 0));
    return {left, book.top, right - left, book.height};
}

int OpenPageWidth(int bookWidth) {
    return TruncToInt(bookWidth / 2.0 + 0.5);
}

ClosedBookLayout ClosedBookRect(int wb, int hb, double k, int openMode, Cover cover) {
    const int b = TruncToInt(k * hb / 1.4);
    const int s = TruncToInt(0.1 * b + 0.5);
    ClosedBookLayout l;
    l.book.top = TruncToInt((1 - k) * hb / 2);
    l.book.width = TruncToInt(1.1 * b);
    l.book.height = TruncToInt(k * hb);
    // The front of a left-opening book and the back of a right-opening one lie right of
    // the centre line with the strip on their left; the other two are mirrored.
    const bool stripFirst = (cover == Cover::Front) == (openMode == 0);
    if (stripFirst) {
        l.book.left = TruncToInt(wb / 2.0 - 0.1 * b);
        l.leftPage = {0, 0, s, l.book.height};
        l.rightPage = {s, 0, b, l.book.height};
    } else {
        l.book.left = TruncToInt(wb / 2.0 - b + 0.1 * b);
        l.leftPage = {0, 0, b, l.book.height};
        l.rightPage = {b, 0, s, l.book.height};
    }
    return l;
}

SlotBox SlotBoxOf(int splitMode, int rate, BookSize page) {
    const bool fourSplit = splitMode == 1;
    const int w = TruncToInt(page.width * rate / 110.0);
    return {w, fourSplit ? TruncToInt(w / 1.4) : TruncToInt(w * 1.4), fourSplit};
}

std::optional<PictureRect> FitPicture(int splitMode, int rate, int slot, BookSize page, int bw,
                                      int bh) {
    if (page.width <= 0 || page.height <= 0 || bw <= 0 || bh <= 0)
        return std::nullopt;
    const bool fourSplit = splitMode == 1;
    const auto [w, h] = FitIntoSlot(SlotBoxOf(splitMode, rate, page), bw, bh);
    int top;
    if (!fourSplit) {
        top = TruncToInt((page.height - h) / 2.0);
    } else {
        top = TruncToInt((page.height / 2.0 - h) / 3);
        if (slot == 1 || slot == 3)
            top += TruncToInt(page.height / 2.0);
    }
    return PictureRect{TruncToInt((page.width - w) / 2.0), top, w, h};
}

std::optional<TitleLayout> CoverTitleLayout(BookSize cover, std::size_t cp932Length) {
    if (cp932Length == 0)
        return std::nullopt;
    TitleLayout t;
    t.fontHeight = TruncToInt(0.7 * cover.width / double(cp932Length)) * 2;
    if (t.fontHeight <= 0)
        return std::nullopt;
    const int third = TruncToInt(cover.height / 3.0);
    t.textX = TruncToInt(cover.width / 10.0);
    t.textY = third;
    t.frameLeft = TruncToInt(cover.width / 20.0);
    t.frameTop = third - TruncToInt(0.5 * t.fontHeight);
    t.frameRight = cover.width - TruncToInt(cover.width / 20.0);
    t.frameBottom = third + TruncToInt(1.5 * t.fontHeight);
    return t;
}

CaptionLayout SlotCaptionLayout(BookSize page, int slot, int pictureHeight) {
    const bool bottom = slot == 1 || slot == 3;
    const double W = page.width, H = page.height;
    CaptionLayout c;
    c.left = TruncToInt(0.1 * W);
    c.right = TruncToInt(0.9 * W);
    c.top = TruncToInt((bottom ? 0.91 : 0.41) * H);
    c.bottom = TruncToInt((bottom ? 0.97 : 0.47) * H);
    c.corner = TruncToInt(0.05 * pictureHeight);
    c.fontHeight = TruncToInt(0.04 * H);
    c.textX = TruncToInt(0.15 * W);
    c.textY = TruncToInt((bottom ? 0.92 : 0.42) * H);
    return c;
}

int ShadeChannel(int c, int i, int n) {
    if (n <= 0)
        return c;
    const double squareN = double(n) * n;
    return c - TruncToInt(double(std::int64_t(i) * i * c) / squareN);
}

int ShadeColumn(int width, int n, int i, bool towardRight) {
    return towardRight ? width - n + i : n - i;
}

} // namespace folivex
