/* ifgif.spi: a Susie import plug-in for GIF pictures through giflib. It answers the
 * first frame on the logical screen as an 8-bit bitmap with the frame's colour table;
 * the transparent colour, and the screen outside the frame, show white (or, when the
 * table has no entry to spare, the screen's background colour as near as the table
 * has it). */
#include "spicommon.h"

#include <gif_lib.h>
#include <stdlib.h>
#include <string.h>

static const char* const kInfo[] = {
    "00IN",
    "ifgif: GIF reader for Folivex (giflib)",
    "*.gif",
    "GIF",
};

int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen) {
    return spi_plugin_info(kInfo, sizeof kInfo / sizeof kInfo[0], infono, buf, buflen);
}

int32_t IsSupported(const char* filename, void* dw) {
    (void)filename;
    return dw && (memcmp(dw, "GIF87a", 6) == 0 || memcmp(dw, "GIF89a", 6) == 0);
}

typedef struct {
    const uint8_t* data;
    size_t size, at;
} Input;

/* giflib's reads, bounded by the input's length. */
static int read_input(GifFileType* gif, GifByteType* out, int wanted) {
    Input* in = gif->UserData;
    size_t n = wanted > 0 ? (size_t)wanted : 0;
    if (n > in->size - in->at)
        n = in->size - in->at;
    memcpy(out, in->data + in->at, n);
    in->at += n;
    return (int)n;
}

typedef struct {
    GifFileType* gif;
    Input input;
    uint32_t width, height; /* the logical screen */
    int transparent;        /* colour index, or NO_TRANSPARENT_COLOR */
} Gif;

static void close_gif(Gif* g) {
    int error;
    if (g->gif)
        DGifCloseFile(g->gif, &error);
    g->gif = NULL;
}

/* Skips an extension, keeping the transparent colour of a graphic control block. */
static int read_extension(Gif* g) {
    int code;
    GifByteType* ext;
    if (DGifGetExtension(g->gif, &code, &ext) == GIF_ERROR)
        return 0;
    if (code == GRAPHICS_EXT_FUNC_CODE && ext) {
        GraphicsControlBlock gcb;
        if (DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
            g->transparent = gcb.TransparentColor;
    }
    while (ext) {
        if (DGifGetExtensionNext(g->gif, &ext) == GIF_ERROR)
            return 0;
    }
    return 1;
}

/* Opens the data and reads up to the first frame's descriptor. */
static int32_t open_first_frame(Gif* g, const char* buf, intptr_t len) {
    int error;
    memset(g, 0, sizeof *g);
    g->transparent = NO_TRANSPARENT_COLOR;
    g->input.data = (const uint8_t*)buf;
    g->input.size = spi_length(len);
    if (!buf || g->input.size < 6 || !IsSupported(NULL, (void*)buf))
        return SPI_UNKNOWN_FORMAT;
    g->gif = DGifOpen(&g->input, read_input, &error);
    if (!g->gif)
        return SPI_BROKEN_DATA;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(g->gif, &type) == GIF_ERROR || type == TERMINATE_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE && read_extension(g))
            continue;
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(g->gif) == GIF_ERROR)
            break;
        const GifImageDesc* frame = &g->gif->Image;
        /* A screen of no size takes the size of the frame. */
        g->width =
            g->gif->SWidth ? (uint32_t)g->gif->SWidth : (uint32_t)(frame->Left + frame->Width);
        g->height =
            g->gif->SHeight ? (uint32_t)g->gif->SHeight : (uint32_t)(frame->Top + frame->Height);
        if (frame->Width <= 0 || frame->Height <= 0 || !spi_size_allowed(g->width, g->height))
            break;
        return SPI_OK;
    }
    close_gif(g);
    return SPI_BROKEN_DATA;
}

int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* lpInfo) {
    Gif g;
    (void)flag;
    const int32_t result = open_first_frame(&g, buf, len);
    if (result != SPI_OK)
        return result;
    spi_picture_info(lpInfo, g.width, g.height, 8);
    close_gif(&g);
    return SPI_OK;
}

/* The screen's background colour, which indexes the global colour table whatever table
 * the frame brings; white when there is no global table or the index lies outside it. */
static GifColorType background_colour(const GifFileType* gif) {
    const GifColorType white = {255, 255, 255};
    const ColorMapObject* global = gif->SColorMap;
    if (!global || !global->Colors || gif->SBackGroundColor < 0 ||
        gif->SBackGroundColor >= global->ColorCount)
        return white;
    return global->Colors[gif->SBackGroundColor];
}

/* The bitmap's colour table entry nearest to a colour. */
static unsigned nearest_entry(const SpiDib* dib, GifColorType colour) {
    unsigned best = 0;
    long best_distance = -1;
    for (unsigned i = 0; i < 256; ++i) {
        const unsigned char* entry = dib->header + 40 + 4 * i; /* blue, green, red, 0 */
        const long db = (long)entry[0] - colour.Blue, dg = (long)entry[1] - colour.Green,
                   dr = (long)entry[2] - colour.Red;
        const long distance = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || distance < best_distance)
            best = i, best_distance = distance;
    }
    return best;
}

/* The frame's colour table into the bitmap; returns the index that fills what the frame
 * leaves uncovered. */
static unsigned set_palette(const Gif* g, SpiDib* dib) {
    const ColorMapObject* map = g->gif->Image.ColorMap ? g->gif->Image.ColorMap : g->gif->SColorMap;
    int count = 0;
    if (map && map->Colors) {
        count = map->ColorCount > 256 ? 256 : map->ColorCount;
        for (int i = 0; i < count; ++i)
            spi_dib_set_color(dib, (unsigned)i, map->Colors[i].Red, map->Colors[i].Green,
                              map->Colors[i].Blue);
    } else { /* no table at all: a grey ramp */
        for (count = 0; count < 256; ++count)
            spi_dib_set_color(dib, (unsigned)count, (uint8_t)count, (uint8_t)count, (uint8_t)count);
    }
    /* A full table without a transparent colour has no entry to spare for white: the
     * screen then shows the nearest the table has to the screen's background colour. */
    if (g->transparent < 0 && count == 256)
        return nearest_entry(dib, background_colour(g->gif));
    const unsigned white = g->transparent >= 0 ? (unsigned)g->transparent : (unsigned)count;
    spi_dib_set_color(dib, white, 255, 255, 255);
    return white;
}

/* Where a frame's row goes: straight into the bitmap when it lies on the screen, else
 * into a scratch line (allocated once, only then) that the screen cuts it from. */
static GifPixelType* row_target(const GifImageDesc* frame, SpiDib* dib, int y,
                                GifPixelType** scratch) {
    const int64_t row = (int64_t)frame->Top + y;
    if (row < dib->height && (int64_t)frame->Left + frame->Width <= dib->width)
        return spi_dib_row(dib, (uint32_t)row) + frame->Left;
    if (!*scratch)
        *scratch = malloc((size_t)frame->Width);
    return *scratch;
}

/* The part of a scratch line that lies on the screen. */
static void clip_row(const GifImageDesc* frame, SpiDib* dib, int y, const GifPixelType* line) {
    const int64_t row = (int64_t)frame->Top + y;
    if (row >= dib->height || frame->Left >= (int64_t)dib->width)
        return;
    const size_t room = dib->width - (size_t)frame->Left;
    memcpy(spi_dib_row(dib, (uint32_t)row) + frame->Left, line,
           room < (size_t)frame->Width ? room : (size_t)frame->Width);
}

/* The frame's rows in the order they are stored: top down, or in four interlace passes.
 * giflib writes each into the bitmap: the transparent index is the bitmap's white entry,
 * so no index needs changing. */
static int32_t read_rows(Gif* g, SpiDib* dib, SusieProgressCallback progress, intptr_t data) {
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    const GifImageDesc* frame = &g->gif->Image;
    const int passes = frame->Interlace ? 4 : 1;
    GifPixelType* scratch = NULL;
    int32_t result = SPI_OK;
    uint32_t done = 0;
    for (int pass = 0; pass < passes && result == SPI_OK; ++pass) {
        for (int y = passes == 4 ? kStart[pass] : 0; y < frame->Height && result == SPI_OK;
             y += passes == 4 ? kStep[pass] : 1) {
            GifPixelType* line = row_target(frame, dib, y, &scratch);
            if (spi_progress(progress, data, done++, (uint32_t)frame->Height))
                result = SPI_ABORTED;
            else if (!line)
                result = SPI_NO_MEMORY;
            else if (DGifGetLine(g->gif, line, frame->Width) == GIF_ERROR)
                result = SPI_BROKEN_DATA;
            else if (line == scratch)
                clip_row(frame, dib, y, line);
        }
    }
    free(scratch);
    if (result == SPI_OK && spi_progress(progress, data, done, (uint32_t)frame->Height))
        result = SPI_ABORTED;
    return result;
}

/* Whether the frame fills the screen, every pixel of which it then writes. */
static int covers_screen(const Gif* g) {
    const GifImageDesc* frame = &g->gif->Image;
    return frame->Left == 0 && frame->Top == 0 && (uint32_t)frame->Width >= g->width &&
           (uint32_t)frame->Height >= g->height;
}

int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                   SusieProgressCallback lpPrgressCallback, intptr_t lData) {
    Gif g;
    SpiDib dib;
    (void)flag;
    int32_t result = open_first_frame(&g, buf, len);
    if (result != SPI_OK)
        return result;
    result = spi_dib_create(&dib, g.width, g.height, 8);
    if (result == SPI_OK) {
        const unsigned white = set_palette(&g, &dib);
        if (!covers_screen(&g))
            memset(dib.pixels, (int)white, dib.stride * dib.height);
        result = read_rows(&g, &dib, lpPrgressCallback, lData);
    }
    close_gif(&g);
    if (result != SPI_OK) {
        spi_dib_discard(&dib);
        return result;
    }
    return spi_dib_finish(&dib, pHBInfo, pHBm);
}
