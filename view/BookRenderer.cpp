#include "view/BookRenderer.h"

#include "core/ColorText.h"
#include "core/TextCodec.h"
#include "ui/Translation.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace folivex {

namespace {

const QString kTitleFont = QStringLiteral("ＭＳ ゴシック");
const QString kCaptionFont = QStringLiteral("ＭＳ Ｐゴシック");
constexpr int kWindowText = 8;

QPalette AppPalette() {
    return QGuiApplication::instance() ? QGuiApplication::palette() : QPalette();
}

QRgb ToRgb(std::uint32_t bgr) {
    return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Device pixels from layout pixels on a page drawn at the given scale.
int ToDevice(int layout, double scale) {
    return int(std::lround(layout * scale));
}

// A page of `size` layout pixels, drawn with `scale` device pixels to each of them; a
// painter on it works in layout pixels.
QImage NewPage(QSize size, QColor paper, double scale) {
    const QSize device(ToDevice(std::max(0, size.width()), scale),
                       ToDevice(std::max(0, size.height()), scale));
    QImage page(device, QImage::Format_RGB32);
    page.setDevicePixelRatio(scale);
    page.fill(paper);
    return page;
}

// The page's size in layout pixels.
BookSize SizeOf(const QImage& page) {
    const double scale = page.devicePixelRatio();
    return {int(std::lround(page.width() / scale)), int(std::lround(page.height() / scale))};
}

// Fills layout column x: every device column it covers.
void FillColumn(QImage& page, int x, QRgb color) {
    const double scale = page.devicePixelRatio();
    const int x0 = std::max(0, ToDevice(x, scale));
    const int x1 = std::min(page.width(), ToDevice(x + 1, scale));
    for (int y = 0; y < page.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int col = x0; col < x1; ++col)
            row[col] = color;
    }
}

// A font whose cell (ascent plus descent) is cellHeight pixels, as the desktop's positive
// font heights are meant.
QFont CellHeightFont(const QString& family, int cellHeight, bool bold) {
    QFont font(family);
    font.setBold(bold);
    font.setPixelSize(cellHeight);
    const int actual = QFontMetrics(font).height();
    if (actual > cellHeight)
        font.setPixelSize(std::max(1, cellHeight * cellHeight / actual));
    return font;
}

// Writes text with its cell's top-left corner at (x, y), unclipped, on a transparent
// background.
void WriteText(QPainter& painter, const QFont& font, int x, int y, const std::string& text) {
    painter.setFont(font);
    painter.drawText(QPoint(x, y + QFontMetrics(font).ascent()), QString::fromStdString(text));
}

// A rectangle given by exclusive right and bottom edges, as QPainter draws a one-pixel
// outline around it.
QRect OutlineRect(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

} // namespace

std::uint32_t SystemColor(int n) {
    const QPalette pal = AppPalette();
    using R = QPalette::ColorRole;
    static constexpr R kRoles[kSystemColorCount] = {R::Button,
                                                    R::Dark,
                                                    R::Highlight,
                                                    R::Mid,
                                                    R::Window,
                                                    R::Base,
                                                    R::Shadow,
                                                    R::WindowText,
                                                    R::Text,
                                                    R::HighlightedText,
                                                    R::Window,
                                                    R::Window,
                                                    R::Mid,
                                                    R::Highlight,
                                                    R::HighlightedText,
                                                    R::Button,
                                                    R::Dark,
                                                    R::PlaceholderText,
                                                    R::ButtonText,
                                                    R::WindowText,
                                                    R::Light,
                                                    R::Shadow,
                                                    R::Midlight,
                                                    R::ToolTipText,
                                                    R::ToolTipBase};
    if (n < 0 || n >= kSystemColorCount)
        return 0;
    const QColor c = pal.color(QPalette::Active, kRoles[n]);
    return std::uint32_t(c.red()) | std::uint32_t(c.green()) << 8 | std::uint32_t(c.blue()) << 16;
}

QColor ColorFromText(const std::string& text) {
    return QColor(ToRgb(ResolveColor(StringToColor(text), SystemColor)));
}

QImage TileTexture(QSize target, const QImage& texture) {
    if (texture.isNull() || texture.width() <= 0 || texture.height() <= 0)
        return QImage();
    QImage tiled(target.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    if (tiled.isNull())
        return tiled;
    const QImage tile = texture.convertToFormat(QImage::Format_RGB32);
    const int w = tiled.width(), tw = tile.width(), th = tile.height();
    // One band of texture rows across the full width, then the band copied downward.
    for (int y = 0; y < std::min(th, tiled.height()); ++y) {
        auto* out = reinterpret_cast<QRgb*>(tiled.scanLine(y));
        const auto* in = reinterpret_cast<const QRgb*>(tile.constScanLine(y));
        for (int x = 0; x < w; x += tw)
            std::memcpy(out + x, in, std::size_t(std::min(tw, w - x)) * sizeof(QRgb));
    }
    for (int y = th; y < tiled.height(); ++y)
        std::memcpy(tiled.scanLine(y), tiled.constScanLine(y % th), std::size_t(w) * sizeof(QRgb));
    return tiled;
}

void ShadeSpine(QImage& page, QColor color, int n, bool towardRight) {
    for (int i = 1; i <= n; ++i) {
        const QRgb shade = qRgb(ShadeChannel(color.red(), i, n), ShadeChannel(color.green(), i, n),
                                ShadeChannel(color.blue(), i, n));
        FillColumn(page, ShadeColumn(SizeOf(page).width, n, i, towardRight), shade);
    }
}

void DrawEdgeLines(QImage& page, QColor color, PageSide side) {
    const QRgb paper = color.rgb();
    const QRgb dark = qRgb(color.red() / 2, color.green() / 2, color.blue() / 2);
    const int width = SizeOf(page).width;
    const int m = EdgeLineCount(width);
    for (int j = 1; j <= m; ++j)
        FillColumn(page, side == PageSide::Left ? j - 1 : width - j, j % 2 ? dark : paper);
}

void StretchPlain(const Bitmap24& picture, QImage& page, const PictureRect& box) {
    if (picture.empty() || box.width <= 0 || box.height <= 0)
        return;
    const int x0 = std::max(0, box.left), x1 = std::min(page.width(), box.left + box.width);
    const int y0 = std::max(0, box.top), y1 = std::min(page.height(), box.top + box.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    // Each destination pixel takes the source pixel under its centre.
    std::vector<std::size_t> column(std::size_t(x1 - x0));
    for (int x = x0; x < x1; ++x) {
        const long long dx = x - box.left;
        column[std::size_t(x - x0)] =
            std::size_t((2 * dx + 1) * picture.width / (2LL * box.width)) * 3;
    }
    for (int y = y0; y < y1; ++y) {
        const long long dy = y - box.top;
        const std::uint8_t* in =
            picture.row(int((2 * dy + 1) * picture.height / (2LL * box.height)));
        auto* out = reinterpret_cast<QRgb*>(page.scanLine(y)) + x0;
        for (std::size_t i = 0; i < column.size(); ++i) {
            const std::uint8_t* p = in + column[i];
            out[i] = qRgb(p[2], p[1], p[0]);
        }
    }
}

void DrawPicture(const Bitmap24& picture, QImage& page, int x, int y) {
    if (picture.empty())
        return;
    const int x0 = std::max(0, x), x1 = std::min(page.width(), x + picture.width);
    const int y0 = std::max(0, y), y1 = std::min(page.height(), y + picture.height);
    for (int row = y0; row < y1; ++row) {
        const std::uint8_t* in = picture.row(row - y) + std::size_t(x0 - x) * 3;
        auto* out = reinterpret_cast<QRgb*>(page.scanLine(row));
        for (int col = x0; col < x1; ++col, in += 3)
            out[col] = qRgb(in[2], in[1], in[0]);
    }
}

BookRenderer::BookRenderer(AlbumState& state, const PictureList& pictures, PagePictures& source)
    : state_(state), pictures_(pictures), source_(source) {}

BookRenderer::BookRenderer(AlbumState& state, const PictureList& pictures, PictureSource source)
    : state_(state), pictures_(pictures),
      ownSource_(
          std::make_unique<PagePictures>(std::move(source), PagePicturesOptions{0, 0, nullptr})),
      source_(*ownSource_) {}

SlotRequest BookRenderer::RequestFor(const std::string& fileName, BookSize fittingPage) const {
    return {state_.pictureFolder + fileName,
            SlotBoxOf(state_.page.splitMode, state_.rate, fittingPage), state_.clearImage, scale_};
}

void BookRenderer::DrawSlotPicture(const SlotPicture& picture, int slot, PageBuffers& pages,
                                   BookSize fittingPage) {
    const auto box = FitPicture(state_.page.splitMode, state_.rate, slot, fittingPage,
                                picture.fullWidth, picture.fullHeight);
    if (!box || !picture.picture)
        return;
    state_.pictureBox = *box;
    DrawPicture(*picture.picture, slot < 2 ? pages.left : pages.right, ToDevice(box->left, scale_),
                ToDevice(box->top, scale_));
}

void BookRenderer::DrawCaption(QImage& page, int slot, const std::string& comment,
                               int pictureHeight) {
    const CaptionLayout c = SlotCaptionLayout(SizeOf(page), slot, pictureHeight);
    const QColor paper = ColorFromText(state_.pageColor);
    QPainter painter(&page);
    // The outline takes the colour of the dark page-edge lines, so it reads as part of
    // the paper whatever the page colour.
    painter.setPen(QColor(paper.red() / 2, paper.green() / 2, paper.blue() / 2));
    painter.setBrush(paper);
    if (c.right - c.left > 1 && c.bottom - c.top > 1) {
        const QRect r = OutlineRect(c.left, c.top, c.right, c.bottom);
        if (c.corner > 0)
            painter.drawRoundedRect(r, c.corner / 2.0, c.corner / 2.0, Qt::AbsoluteSize);
        else
            painter.drawRect(r);
    }
    if (c.fontHeight <= 0)
        return;
    painter.setPen(QColor(ToRgb(SystemColor(kWindowText))));
    WriteText(painter, CellHeightFont(kCaptionFont, c.fontHeight, false), c.textX, c.textY,
              comment);
}

// The slots of a spread in drawing order, each with its picture's request; slots that
// show plain paper are left out.
std::vector<SlotRequest> BookRenderer::SpreadRequests(const PageModel& page, BookSize size) const {
    std::vector<SlotRequest> requests;
    const auto rows = page.SlotRows(pictures_.RowCount());
    for (int slot : {0, 2, 1, 3}) {
        const int row = rows[std::size_t(slot)];
        if (row != PageModel::kBlankSlot && !pictures_.FileName(row).empty())
            requests.push_back(RequestFor(pictures_.FileName(row), size));
    }
    return requests;
}

PageBuffers BookRenderer::DrawSpread(QSize size, const std::function<void()>& beforeWait) {
    const BookSize pageSize{size.width(), size.height()};
    // Every picture is ready (or has failed) before anything of the state changes.
    const auto ready = source_.Fetch(SpreadRequests(state_.page, pageSize), beforeWait);
    const QColor paper = ColorFromText(state_.pageColor);
    PageBuffers pages{NewPage(size, paper, scale_), NewPage(size, paper, scale_)};
    const auto rows = state_.page.SlotRows(pictures_.RowCount());
    const bool fourSplit = state_.page.splitMode == 1;
    std::array<std::string, 4> shown;
    std::size_t next = 0;
    for (int slot : {0, 2, 1, 3}) {
        const int row = rows[std::size_t(slot)];
        if (row == PageModel::kBlankSlot)
            continue;
        const std::string& file = pictures_.FileName(row);
        if (file.empty())
            continue; // a blank row holds no picture: plain paper
        DrawSlotPicture(ready[next++], slot, pages, pageSize);
        shown[std::size_t(slot)] = file;
        if (fourSplit && !pictures_.Comment(row).empty())
            DrawCaption(slot < 2 ? pages.left : pages.right, slot, pictures_.Comment(row),
                        state_.pictureBox.height);
    }
    const int n = SpineLineCount(size.width());
    ShadeSpine(pages.left, paper, n, true);
    ShadeSpine(pages.right, paper, n, false);
    DrawEdgeLines(pages.left, paper, PageSide::Left);
    DrawEdgeLines(pages.right, paper, PageSide::Right);
    state_.slotFiles = shown;
    return pages;
}

void BookRenderer::PrefetchAround(QSize size) {
    const BookSize pageSize{size.width(), size.height()};
    std::vector<SlotRequest> requests;
    for (PageSide side : {PageSide::Right, PageSide::Left}) {
        PageModel around = state_.page;
        if (around.StepPage(side, pictures_.RowCount()) && around.IsSpreadOpen()) {
            auto more = SpreadRequests(around, pageSize);
            requests.insert(requests.end(), more.begin(), more.end());
        }
    }
    source_.Prefetch(requests);
}

void BookRenderer::DrawTitle(QImage& cover) {
    // The user's title as it stands; only the program's own root-folder title is translated.
    const std::string title = ShownTitle(state_.albumTitle).toStdString();
    const auto t = CoverTitleLayout(SizeOf(cover), Cp932Length(title));
    if (!t)
        return;
    QPainter painter(&cover);
    painter.setPen(QColor(ToRgb(SystemColor(kWindowText))));
    WriteText(painter, CellHeightFont(kTitleFont, t->fontHeight, true), t->textX, t->textY, title);
    if (t->frameRight - t->frameLeft > 1 && t->frameBottom - t->frameTop > 1) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(OutlineRect(t->frameLeft, t->frameTop, t->frameRight, t->frameBottom));
    }
}

PageBuffers BookRenderer::DrawFrontCover(QSize leftPage, QSize rightPage) {
    const QColor paper = ColorFromText(state_.coverColor);
    PageBuffers pages{NewPage(leftPage, paper, scale_), NewPage(rightPage, paper, scale_)};
    const bool leftOpening = state_.page.openMode == 0;
    QImage& cover = leftOpening ? pages.right : pages.left;
    if ((state_.coverMode == 0 || state_.coverMode == 2) && !state_.albumTitle.empty())
        DrawTitle(cover);
    if (state_.coverMode == 1 && !state_.coverPicture.empty()) {
        const int slot = leftOpening ? 2 : 0;
        const auto ready = source_.Fetch({RequestFor(state_.coverPicture, SizeOf(cover))});
        DrawSlotPicture(ready.front(), slot, pages, SizeOf(cover));
        state_.slotFiles[std::size_t(slot)] = state_.coverPicture;
    }
    const int n = std::max(leftPage.width(), rightPage.width()) / 20;
    if (leftOpening)
        ShadeSpine(pages.left, paper, n, true);
    else
        ShadeSpine(pages.right, paper, n, false);
    return pages;
}

PageBuffers BookRenderer::DrawBackCover(QSize leftPage, QSize rightPage) {
    const QColor paper = ColorFromText(state_.coverColor);
    PageBuffers pages{NewPage(leftPage, paper, scale_), NewPage(rightPage, paper, scale_)};
    const int n = std::max(leftPage.width(), rightPage.width()) / 20;
    if (state_.page.openMode == 1)
        ShadeSpine(pages.left, paper, n, true);
    else
        ShadeSpine(pages.right, paper, n, false);
    return pages;
}

} // namespace folivex
