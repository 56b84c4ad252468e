#include "contents/ShellNamespace.h"

#include "contents/NameOrder.h"
#include "loading/Archive.h"

#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace folivex {

namespace fs = std::filesystem;

namespace {

// Shown translated by the tree view (context "FolderTree").
constexpr std::string_view kComputerText = FOLIVEX_TRANSLATE_NOOP("FolderTree", "コンピュータ");

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Mount tables escape blanks and backslashes as octal sequences such as "\040".
std::string UnescapeMountField(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string_view digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string_view::npos) {
                out += char(std::stoi(std::string(digits), nullptr, 8) & 0xFF);
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

// udev names label links with "\x20"-style escapes.
std::string UnescapeLabel(std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            const std::string hex(name.substr(i + 2, 2));
            if (hex.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
                out += char(std::stoi(hex, nullptr, 16));
                i += 3;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

bool IsDriveMountPoint(std::string_view mountPoint) {
    if (mountPoint == "/")
        return true;
    for (std::string_view base : {"/media/", "/mnt/", "/run/media/"}) {
        if (mountPoint.size() > base.size() && mountPoint.substr(0, base.size()) == base)
            return true;
    }
    return false;
}

std::string LabelOfDevice(const std::string& device, const std::string& labelFolder) {
    std::error_code ec;
    if (device.empty() || device.front() != '/')
        return {};
    const fs::path target = fs::canonical(device, ec);
    if (ec)
        return {};
    for (fs::directory_iterator it(labelFolder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::canonical(it->path(), linkError) == target && !linkError)
            return UnescapeLabel(it->path().filename().string());
    }
    return {};
}

bool IsHiddenName(const std::string& name) {
    return !name.empty() && name.front() == '.';
}

// A folder whose link count is exactly 2 has no sub-folders on the file systems that
// count them (ext4, xfs, tmpfs); others report 1 and are given the benefit of the doubt.
bool HoldsArchive(const std::string& folder) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        const std::string name = it->path().filename().string();
        if (!IsHiddenName(name) && IsArchiveName(name) && it->is_regular_file(typeError))
            return true;
    }
    return false;
}

bool MayHaveSubfolders(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return st.st_nlink != 2 || HoldsArchive(path);
}

struct FolderChild {
    std::string name;
    bool archive = false;
};

// The visible sub-folders and archive files of a folder.
std::vector<FolderChild> VisibleChildren(const std::string& folder) {
    std::vector<FolderChild> children;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (IsHiddenName(name))
            continue;
        if (it->is_directory(typeError))
            children.push_back({std::move(name), false});
        else if (IsArchiveName(name) && it->is_regular_file(typeError))
            children.push_back({std::move(name), true});
    }
    return children;
}

std::string ChildPath(const std::string& parent, const std::string& name) {
    return parent == "/" ? "/" + name : parent + "/" + name;
}

bool IsPrefix(const std::vector<std::string>& prefix, const std::vector<std::string>& parts) {
    if (prefix.size() > parts.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (prefix[i] != parts[i])
            return false;
    }
    return true;
}

} // namespace

ShellEnvironment ShellEnvironment::FromSystem() {
    ShellEnvironment env;
    env.home = WithoutTrailingSlash(QDir::homePath().toStdString());
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    env.desktop = (!desktop.isEmpty() && QDir(desktop).exists())
                      ? WithoutTrailingSlash(desktop.toStdString())
                      : env.home;
    return env;
}

std::vector<Drive> ReadDrives(const std::string& mountTable, const std::string& labelFolder) {
    std::vector<Drive> drives{{LabelOfDevice("", labelFolder), "/"}};
    std::ifstream in(mountTable);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        if (!(fields >> device >> mountPoint))
            continue;
        mountPoint = UnescapeMountField(mountPoint);
        if (!IsDriveMountPoint(mountPoint))
            continue;
        const std::string label = LabelOfDevice(UnescapeMountField(device), labelFolder);
        if (mountPoint == "/") {
            drives.front().label = label;
            continue;
        }
        bool known = false;
        for (const auto& d : drives)
            known = known || d.mountPoint == mountPoint;
        if (!known)
            drives.push_back({label, mountPoint});
    }
    return drives;
}

std::string DriveText(const Drive& drive) {
    const std::string bracketed = "(" + drive.mountPoint + ")";
    return drive.label.empty() ? bracketed : drive.label + " " + bracketed;
}

std::vector<std::string> SplitPath(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start)
            parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

FolderTreeModel::FolderTreeModel(ShellEnvironment env) : env_(std::move(env)) {
    env_.desktop = WithoutTrailingSlash(env_.desktop);
    env_.home = WithoutTrailingSlash(env_.home);
}

void FolderTreeModel::BuildRoot() {
    top_ = std::make_unique<FolderNode>();
    top_->kind = FolderNode::Kind::Desktop;
    top_->path = env_.desktop;
    const auto parts = SplitPath(env_.desktop);
    top_->text = parts.empty() ? "/" : parts.back();
    top_->hasSubfolders = true;
    FillChildren(top_.get());
    if (FolderNode* computer = Computer())
        FillChildren(computer);
}

FolderNode* FolderTreeModel::Computer() const {
    if (!top_ || top_->children.empty())
        return nullptr;
    FolderNode* first = top_->children.front().get();
    return first->kind == FolderNode::Kind::Computer ? first : nullptr;
}

FolderNode* FolderTreeModel::HomeNode() const {
    if (!top_)
        return nullptr;
    for (const auto& child : top_->children) {
        if (child->kind == FolderNode::Kind::Home)
            return child.get();
    }
    return nullptr;
}

FolderNode* FolderTreeModel::AddChild(FolderNode* parent, FolderNode::Kind kind, std::string text,
                                      std::string path, bool hasSubfolders) {
    auto node = std::make_unique<FolderNode>();
    node->kind = kind;
    node->text = std::move(text);
    node->path = std::move(path);
    node->hasSubfolders = hasSubfolders;
    node->parent = parent;
    parent->children.push_back(std::move(node));
    return parent->children.back().get();
}

bool FolderTreeModel::FillChildren(FolderNode* node) {
    if (!node || node->filled)
        return false;
    node->filled = true;
    switch (node->kind) {
    case FolderNode::Kind::Desktop:
        FillDesktop(node);
        break;
    case FolderNode::Kind::Computer:
        FillComputer(node);
        break;
    case FolderNode::Kind::Archive:
        break; // its pictures are listed, it has no folders
    default:
        FillFolder(node, true);
        break;
    }
    return !node->children.empty();
}

void FolderTreeModel::ClearChildren(FolderNode* node) {
    if (!node)
        return;
    node->children.clear();
    node->filled = false;
}

void FolderTreeModel::FillDesktop(FolderNode* node) {
    AddChild(node, FolderNode::Kind::Computer, std::string(kComputerText), std::string(), true);
    if (!env_.home.empty() && env_.home != node->path) {
        const auto parts = SplitPath(env_.home);
        AddChild(node, FolderNode::Kind::Home, parts.empty() ? "/" : parts.back(), env_.home,
                 MayHaveSubfolders(env_.home));
    }
    FillFolder(node, true);
}

void FolderTreeModel::FillComputer(FolderNode* node) {
    for (const Drive& drive : ReadDrives(env_.mountTable, env_.labelFolder))
        AddChild(node, FolderNode::Kind::Drive, DriveText(drive), drive.mountPoint, true);
}

void FolderTreeModel::FillFolder(FolderNode* node, bool sorted) {
    std::vector<FolderChild> children = VisibleChildren(node->path);
    if (sorted)
        std::stable_sort(children.begin(), children.end(),
                         [](const FolderChild& a, const FolderChild& b) {
                             return FileNameLess(a.name, b.name);
                         });
    for (auto& child : children) {
        std::string path = ChildPath(node->path, child.name);
        if (child.archive) {
            AddChild(node, FolderNode::Kind::Archive, std::move(child.name), std::move(path),
                     false);
            continue;
        }
        const bool more = MayHaveSubfolders(path);
        AddChild(node, FolderNode::Kind::Folder, std::move(child.name), std::move(path), more);
    }
}

FolderNode* FolderTreeModel::StartOfAbsolutePath(const std::vector<std::string>& parts,
                                                 std::size_t& used) {
    const auto desktop = SplitPath(env_.desktop);
    if (IsPrefix(desktop, parts)) {
        used = desktop.size();
        return top_.get();
    }
    if (FolderNode* home = HomeNode(); home && IsPrefix(SplitPath(env_.home), parts)) {
        used = SplitPath(env_.home).size();
        return home;
    }
    FolderNode* computer = Computer();
    if (!computer)
        return nullptr;
    FillChildren(computer);
    FolderNode* best = nullptr;
    std::size_t bestLength = 0;
    for (const auto& drive : computer->children) {
        const auto mount = SplitPath(drive->path);
        if (IsPrefix(mount, parts) && (!best || mount.size() > bestLength)) {
            best = drive.get();
            bestLength = mount.size();
        }
    }
    used = bestLength;
    return best;
}

FolderNode* FolderTreeModel::Walk(FolderNode* node, const std::vector<std::string>& parts,
                                  std::size_t from) {
    for (std::size_t i = from; node && i < parts.size(); ++i) {
        FillChildren(node);
        FolderNode* exact = nullptr;
        FolderNode* folded = nullptr;
        for (const auto& child : node->children) {
            if (child->text == parts[i])
                exact = child.get();
            else if (SameNameIgnoringCase(child->text, parts[i]))
                folded = child.get();
        }
        node = exact ? exact : folded;
    }
    return node;
}

FolderNode* FolderTreeModel::FindPath(std::string_view path, FolderNode* selected) {
    if (!top_)
        return nullptr;
    if (path.empty())
        return top_.get();
    const std::vector<std::string> parts = SplitPath(path);
    if (path.front() != '/') {
        if (!parts.empty() && parts.front() == ".")
            return selected ? Walk(selected, parts, 1) : nullptr;
        return Walk(top_.get(), parts, 0);
    }
    std::size_t used = 0;
    FolderNode* start = StartOfAbsolutePath(parts, used);
    return start ? Walk(start, parts, used) : nullptr;
}

} // namespace folivex
