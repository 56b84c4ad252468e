// What a command-line path opens, by what it is on disk.
#include "contents/OpenTarget.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

namespace folivex {
namespace {

TEST(OpenTarget, ClassifiesByWhatThePathIsOnDisk) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string root = dir.path().toStdString();
    std::filesystem::create_directories(root + "/写真");
    std::filesystem::create_directories(root + "/folder.zip"); // a folder, whatever its name
    for (const char* name : {"/写真/IMG1.PNG", "/notes.txt", "/book.cbz", "/a.ajv"})
        std::ofstream(root + name) << "x";
    // Links are opened where they are, and a name need not be UTF-8.
    std::filesystem::create_directory_symlink(root + "/写真", root + "/album-link");
    std::filesystem::create_symlink(root + "/写真/IMG1.PNG", root + "/pic-link.png");
    std::filesystem::create_symlink(root + "/nowhere.png", root + "/broken.png");
    const std::string latin1 = root + "/caf\xE9.png";
    std::ofstream(latin1) << "x";
    const std::vector<std::string> patterns{"*.jpg", "*.png"};

    struct Case {
        std::string path;
        OpenTargetKind kind;
        std::string folder, fileName;
    } const cases[] = {
        {root + "/a.ajv", OpenTargetKind::AlbumFile, "", ""},
        // An album that does not exist is still its reader's to report.
        {root + "/missing.AJV", OpenTargetKind::AlbumFile, "", ""},
        {root + "/book.cbz", OpenTargetKind::Archive, "", ""},
        {root + "/写真", OpenTargetKind::Folder, root + "/写真/", ""},
        {root + "/写真/", OpenTargetKind::Folder, root + "/写真/", ""},
        {root + "/folder.zip", OpenTargetKind::Folder, root + "/folder.zip/", ""},
        {root + "/写真/IMG1.PNG", OpenTargetKind::Picture, root + "/写真/", "IMG1.PNG"},
        {root + "/notes.txt", OpenTargetKind::Unopenable, "", ""},
        {root + "/missing.jpg", OpenTargetKind::Missing, "", ""},
        {root + "/gone/", OpenTargetKind::Missing, "", ""},
        {"/dev/null", OpenTargetKind::Unopenable, "", ""},
        {root + "/album-link", OpenTargetKind::Folder, root + "/album-link/", ""},
        {root + "/pic-link.png", OpenTargetKind::Picture, root + "/", "pic-link.png"},
        {root + "/broken.png", OpenTargetKind::Missing, "", ""},
        {latin1, OpenTargetKind::Picture, root + "/", "caf\xE9.png"},
    };
    for (const Case& c : cases) {
        const OpenTarget t = ClassifyOpenPath(c.path, patterns);
        EXPECT_EQ(t.kind, c.kind) << c.path;
        EXPECT_EQ(t.folder, c.folder) << c.path;
        EXPECT_EQ(t.fileName, c.fileName) << c.path;
    }
}

} // namespace
} // namespace folivex
