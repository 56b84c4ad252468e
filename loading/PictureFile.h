// What the picture readers share: the error for data no reader understands, the
// largest picture any reader builds, and reading a whole file into memory.
#pragma once

#include "core/Error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

namespace msg {
inline constexpr std::string_view kUnknownPictureFormat =
    FOLIVEX_TRANSLATE_NOOP("Messages", "認識できない画像形式です");
inline constexpr std::string_view kFileTooLarge = FOLIVEX_TRANSLATE_NOOP(
    "Messages", "ファイル %s は大きすぎるため読み込めません (上限は 512 MB です)。");
} // namespace msg

// Data that a reader does not recognise or cannot decode.
class EInvalidGraphic : public Error {
public:
    EInvalidGraphic() : Error(std::string(msg::kUnknownPictureFormat)) {}
};

// The largest picture a reader builds (about 805 MB at 24 bits): a header may claim any
// size, and a few bytes of run-length data can describe a huge picture.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t(1) << 28;

// The largest file or archive entry read whole into memory, as no picture is larger.
inline constexpr std::uint64_t kMaxPictureFileSize = std::uint64_t(512) << 20;

// The whole content of a file; raises "ﾌｧｲﾙ %s は開けません" when it cannot be read, and
// kFileTooLarge for a file larger than kMaxPictureFileSize.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);
// At most the first `limit` bytes of the file; raises as ReadWholeFile.
std::vector<std::uint8_t> ReadFileStart(const std::string& path, std::size_t limit);

} // namespace folivex
