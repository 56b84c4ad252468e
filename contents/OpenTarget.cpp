#include "contents/OpenTarget.h"

#include "contents/NameOrder.h"
#include "core/Paths.h"
#include "loading/Archive.h"

#include <algorithm>
#include <filesystem>

namespace folivex {

namespace {

bool IsAlbumFileName(const std::string& path) {
    return MatchesPattern(std::filesystem::path(path).filename().string(), "*.ajv");
}

bool MatchesAny(const std::string& name, const std::vector<std::string>& patterns) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& p) { return MatchesPattern(name, p); });
}

} // namespace

OpenTarget ClassifyOpenPath(const std::string& path,
                            const std::vector<std::string>& picturePatterns) {
    namespace fs = std::filesystem;
    if (IsAlbumFileName(path))
        return {OpenTargetKind::AlbumFile, {}, {}};
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (status.type() == fs::file_type::not_found)
        return {OpenTargetKind::Missing, {}, {}};
    if (ec)
        return {};
    if (fs::is_directory(status))
        return {OpenTargetKind::Folder, WithTrailingSlash(path), {}};
    if (!fs::is_regular_file(status))
        return {};
    if (IsArchiveFile(path))
        return {OpenTargetKind::Archive, {}, {}};
    const fs::path file(path);
    const std::string name = file.filename().string();
    if (!MatchesAny(name, picturePatterns))
        return {};
    return {OpenTargetKind::Picture, WithTrailingSlash(file.parent_path().string()), name};
}

} // namespace folivex
