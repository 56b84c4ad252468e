#include "app/MessagePatterns.h"

#include "contents/OpenTarget.h"
#include "contents/ThumbnailCacheFile.h"
#include "core/Error.h"
#include "loading/Archive.h"
#include "loading/JpegDecoder.h"
#include "loading/PictureFile.h"
#include "loading/SPIs.h"
#include "ui/Translation.h"

#include <QtGlobal>

namespace folivex {

namespace {

// The names of the file dialogs' filters, shown translated (ShownFilter).
[[maybe_unused]] const char* const kFilterNames[] = {
    QT_TRANSLATE_NOOP("Filters", "設定ﾌｧｲﾙ(*.ajv)"),
    QT_TRANSLATE_NOOP("Filters", "書庫(*.zip;*.cbz;*.rar;*.cbr;*.7z;*.cb7;*.tar;*.cbt;*.tgz;"
                                 "*.tar.gz;*.tar.bz2;*.tar.xz)"),
    QT_TRANSLATE_NOOP("Filters", "ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)"),
    QT_TRANSLATE_NOOP("Filters", "対応している画像ファイル"),
    QT_TRANSLATE_NOOP("Filters", "実行形式(*)"),
    QT_TRANSLATE_NOOP("Filters", "実行形式(*.bmp)"),
};

} // namespace

void RegisterProgramMessages() {
    // Those with values; a whole text without one is translated as it stands.
    RegisterMessagePatterns({
        msg::kCannotOpen,
        msg::kCannotCreate,
        msg::kNotInteger,
        msg::kIndexOutOfRange,
        msg::kCannotWrite,
        msg::kArchiveTooManyEntries,
        msg::kArchiveEntryTooLarge,
        msg::kArchiveDamaged,
        msg::kArchiveEntryDamaged,
        msg::kArchivePassword,
        msg::kJpegError,
        msg::kFileTooLarge,
        msg::kSPILoadFailed,
        msg::kSPIInvalid,
        msg::kSPIInvalidAPI,
        msg::kNotOpenable,
        msg::kCacheUnreadable,
    });
}

} // namespace folivex
