// The folder tree's namespace on temporary folder trees: nodes, order and path walks.
#include "contents/ShellNamespace.h"

#include <gtest/gtest.h>

#include "contents/TempTree.h"

namespace folivex {
namespace {

using test::TempTree;

// home/Desktop is the desktop; a fake drive is mounted at <root>/media/usb via the
// mount table, which also lists "/".
struct Namespace {
    TempTree tree;
    std::string mountRoot;
    FolderTreeModel model{Env()};

    ShellEnvironment Env() {
        tree.Folder("home/Desktop/OnDesk/inner");
        tree.Folder("home/Desktop/beta");
        tree.Folder("home/Desktop/Alpha");
        tree.Folder("home/Pics/2001");
        tree.Folder("home/Pics/pics");
        tree.Folder("home/.hidden");
        tree.File("home/file.jpg");
        tree.Folder("labels");
        ShellEnvironment env;
        env.desktop = tree.Path("home/Desktop");
        env.home = tree.Path("home");
        env.mountTable = tree.Path("mounts");
        env.labelFolder = tree.Path("labels");
        tree.File("mounts", "/dev/root / ext4 rw 0 0\n"
                            "proc /proc proc rw 0 0\n"
                            "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n"
                            "/dev/sdb1 /media/u/USB\\040STICK vfat rw 0 0\n");
        return env;
    }
    Namespace() { model.BuildRoot(); }

    static std::vector<std::string> Texts(const FolderNode* node) {
        std::vector<std::string> texts;
        for (const auto& c : node->children)
            texts.push_back(c->text);
        return texts;
    }
};

TEST(ShellNamespace, TopNodeChildrenAndDrives) {
    Namespace ns;
    const FolderNode* top = ns.model.Top();
    EXPECT_EQ(top->text, "Desktop");
    EXPECT_EQ(top->path, ns.tree.Path("home/Desktop"));
    EXPECT_EQ(Namespace::Texts(top),
              (std::vector<std::string>{"コンピュータ", "home", "Alpha", "beta", "OnDesk"}));
    EXPECT_EQ(Namespace::Texts(ns.model.Computer()),
              (std::vector<std::string>{"(/)", "(/media/u/USB STICK)"}));
    EXPECT_TRUE(ns.model.Computer()->path.empty());
}

TEST(ShellNamespace, LazyFillSkipsHiddenFoldersAndFiles) {
    Namespace ns;
    FolderNode* home = ns.model.HomeNode();
    ASSERT_NE(home, nullptr);
    EXPECT_FALSE(home->filled);
    EXPECT_TRUE(ns.model.FillChildren(home));
    EXPECT_EQ(Namespace::Texts(home), (std::vector<std::string>{"Desktop", "Pics"}));
    EXPECT_FALSE(ns.model.FillChildren(home)); // read once
    FolderNode* pics = home->children[1].get();
    ns.model.FillChildren(pics);
    EXPECT_EQ(Namespace::Texts(pics), (std::vector<std::string>{"2001", "pics"}));
    EXPECT_FALSE(pics->children[0]->hasSubfolders);
}

TEST(ShellNamespace, DriveLabelsComeFromLabelLinks) {
    TempTree tree;
    tree.File("dev/sdc1");
    tree.Folder("labels");
    std::filesystem::create_symlink(tree.Path("dev/sdc1"), tree.Path("labels/MY\\x20DISK"));
    tree.File("mounts", tree.Path("dev/sdc1") + " /mnt/data ext4 rw 0 0\n");
    const auto drives = ReadDrives(tree.Path("mounts"), tree.Path("labels"));
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(DriveText(drives[1]), "MY DISK (/mnt/data)");
}

TEST(ShellNamespace, PathWalks) {
    Namespace ns;
    auto find = [&](const std::string& path) { return ns.model.FindPath(path, nullptr); };
    const std::string home = ns.tree.Path("home");
    EXPECT_EQ(find(""), ns.model.Top());

    // Inside the desktop: found under the desktop node, not under home or a drive.
    FolderNode* inner = find(home + "/Desktop/OnDesk/inner/");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->parent->parent, ns.model.Top());
    EXPECT_EQ(inner->path, home + "/Desktop/OnDesk/inner");
    EXPECT_EQ(find(home + "/Desktop"), ns.model.Top());

    // Inside home: under the home node, exact case preferred over folded.
    FolderNode* pics = find(home + "/Pics/pics");
    ASSERT_NE(pics, nullptr);
    EXPECT_EQ(pics->path, home + "/Pics/pics");
    EXPECT_EQ(pics->parent->parent, ns.model.HomeNode());
    FolderNode* folded = find(home + "/PICS/2001");
    ASSERT_NE(folded, nullptr);
    EXPECT_EQ(folded->path, home + "/Pics/2001");

    // A single word is looked for among the desktop's children.
    ASSERT_NE(find("OnDesk"), nullptr);
    EXPECT_EQ(find("OnDesk")->path, home + "/Desktop/OnDesk");
    EXPECT_EQ(find("Nowhere"), nullptr);

    // Missing components, hidden folders and unknown drives select nothing.
    EXPECT_EQ(find(home + "/Pics/missing"), nullptr);
    EXPECT_EQ(find(home + "/.hidden"), nullptr);
    EXPECT_EQ(find("/media/u/USB STICK/none"), nullptr);

    // Relative to the selected node.
    EXPECT_EQ(ns.model.FindPath("./inner", find("OnDesk")), inner);
    EXPECT_EQ(ns.model.FindPath("./inner", nullptr), nullptr);
}

TEST(ShellNamespace, DrivePathsUseTheLongestMountPoint) {
    Namespace ns;
    FolderNode* root = ns.model.FindPath("/", nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text, "(/)");
    // The temporary tree lies on the root drive: walked from "/" component by component.
    FolderNode* viaRoot = ns.model.FindPath(ns.tree.Path("labels"), nullptr);
    ASSERT_NE(viaRoot, nullptr);
    EXPECT_EQ(viaRoot->path, ns.tree.Path("labels"));
    // A mounted drive that is not there on disk: its node exists but has no children.
    EXPECT_EQ(ns.model.FindPath("/media/u/USB STICK", nullptr)->text, "(/media/u/USB STICK)");
}

} // namespace
} // namespace folivex
