// The folder hierarchy of the folder tree on a Linux desktop: the desktop folder at the
// top, the computer with its mounted drives, the home folder, then the folders of each.
// Levels are read only when first needed. Plain data, so it runs without any window.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// Where the namespace comes from; tests point these at temporary folders.
struct ShellEnvironment {
    std::string desktop;                            // desktop folder, no trailing "/"
    std::string home;                               // home folder, no trailing "/"
    std::string mountTable = "/proc/self/mounts";   // fstab-format list of mounts
    std::string labelFolder = "/dev/disk/by-label"; // links named by volume label

    // XDG_DESKTOP_DIR (default ~/Desktop), or the home folder when neither exists.
    static ShellEnvironment FromSystem();
};

struct Drive {
    std::string label;      // may be empty
    std::string mountPoint; // "/" or a folder under /media, /mnt or /run/media
};

// The drives of the computer node: "/" first, then every file system mounted under
// /media, /mnt and /run/media, in the table's order, each mount point once.
std::vector<Drive> ReadDrives(const std::string& mountTable, const std::string& labelFolder);

// The node text of a drive: "LABEL (MOUNTPOINT)", or "(MOUNTPOINT)" without a label.
std::string DriveText(const Drive& drive);

// Path components split at "/", empty ones (doubled or final slashes) left out.
std::vector<std::string> SplitPath(std::string_view path);

struct FolderNode {
    // An archive file stands in its folder as a folder of its own pictures.
    enum class Kind { Desktop, Computer, Drive, Home, Folder, Archive };

    Kind kind = Kind::Folder;
    std::string text;           // shown name
    std::string path;           // file-system folder; empty for the computer
    bool hasSubfolders = false; // shows an expand button before the children are read
    bool filled = false;        // children were read
    FolderNode* parent = nullptr;
    std::vector<std::unique_ptr<FolderNode>> children;
};

class FolderTreeModel {
public:
    explicit FolderTreeModel(ShellEnvironment env);

    const ShellEnvironment& Environment() const { return env_; }

    // Builds the desktop node and its children (computer, home, desktop folders) anew,
    // and the computer's drives.
    void BuildRoot();

    FolderNode* Top() const { return top_.get(); }
    FolderNode* Computer() const;
    FolderNode* HomeNode() const;

    // Reads the node's children unless that was done before; returns true when it
    // added children now. The desktop's and the computer's children keep their given
    // order; any other siblings are sorted by name (A-Z folded).
    bool FillChildren(FolderNode* node);
    // Forgets a node's children, so the next FillChildren reads them again.
    static void ClearChildren(FolderNode* node);

    // The node of a path, reading levels as needed: the desktop node for paths inside
    // the desktop folder, the home node for paths inside home, otherwise the drive with
    // the longest mount point that holds the path. An empty path gives the top node; a
    // relative path is looked for from the desktop's children, or, starting with ".",
    // from `selected`. Nullptr when a component is not found.
    FolderNode* FindPath(std::string_view path, FolderNode* selected);

private:
    FolderNode* AddChild(FolderNode* parent, FolderNode::Kind kind, std::string text,
                         std::string path, bool hasSubfolders);
    void FillDesktop(FolderNode* node);
    void FillComputer(FolderNode* node);
    void FillFolder(FolderNode* node, bool sorted);
    FolderNode* StartOfAbsolutePath(const std::vector<std::string>& parts, std::size_t& used);
    FolderNode* Walk(FolderNode* start, const std::vector<std::string>& parts, std::size_t from);

    ShellEnvironment env_;
    std::unique_ptr<FolderNode> top_;
};

} // namespace folivex
