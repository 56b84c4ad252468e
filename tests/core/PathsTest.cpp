#include "core/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace folivex;

TEST(FolderOfPath, CutsAfterTheLastSlashOrColon) {
    EXPECT_EQ(FolderOfPath("/home/u/AJVs/夏.ajv"), "/home/u/AJVs/");
    EXPECT_EQ(FolderOfPath("/"), "/");
    EXPECT_EQ(FolderOfPath("C:album.ajv"), "C:");
    EXPECT_EQ(FolderOfPath("album.ajv"), "");
    EXPECT_EQ(FolderOfPath("/a:b/c"), "/a:b/");
}

TEST(DataFolder, IsTheProgramFolderWhenWritableElseTheConfigFolder) {
    char tmpl[] = "/tmp/folivex-data-XXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    EXPECT_EQ(DataFolderFor(dir), dir + "/");
    ::setenv("XDG_CONFIG_HOME", (dir + "/cfg").c_str(), 1);
    EXPECT_EQ(DataFolderFor("/nonexistent-folivex-program/"), dir + "/cfg/folivex/");
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/cfg/folivex"));
    ::unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
}

TEST(DataFolder, AnInstalledProgramFolderIsNeverTheDataFolderEvenWhenWritable) {
    char tmpl[] = "/tmp/folivex-data-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    const std::string program = dir + "/lib/folivex/";
    std::filesystem::create_directories(program);
    { std::ofstream(program + std::string(kInstalledMarker)) << "installed\n"; }
    ::setenv("XDG_CONFIG_HOME", (dir + "/cfg").c_str(), 1);
    EXPECT_EQ(DataFolderFor(program), dir + "/cfg/folivex/");
    ::unsetenv("XDG_CONFIG_HOME");
    std::filesystem::remove_all(dir);
}

TEST(LauncherProgram, IsTheInstalledCommandOnlyWhenItLeadsToThisExecutable) {
    namespace fs = std::filesystem;
    char tmpl[] = "/tmp/folivex-prefix-XXXXXX";
    const fs::path prefix = ::mkdtemp(tmpl);
    const fs::path exe = prefix / "lib/folivex/folivex";
    fs::create_directories(exe.parent_path());
    fs::create_directories(prefix / "bin");
    { std::ofstream(exe) << "#!/bin/sh\n"; }
    const fs::path other = prefix / "lib/folivex/other";
    { std::ofstream(other) << "#!/bin/sh\n"; }

    struct Case {
        const char* what;
        fs::path linkTarget; // empty: no link
        fs::path expected;
    };
    const Case cases[] = {
        {"no command link: the executable itself", {}, exe},
        {"the link leads here: the command", "../lib/folivex/folivex", prefix / "bin/folivex"},
        {"the link leads elsewhere: the executable", "../lib/folivex/other", exe},
    };
    for (const Case& c : cases) {
        fs::remove(prefix / "bin/folivex");
        if (!c.linkTarget.empty())
            fs::create_symlink(c.linkTarget, prefix / "bin/folivex");
        EXPECT_EQ(LauncherProgramFor(exe.string()), c.expected.string()) << c.what;
    }
    // A build tree's executable has no PREFIX/bin above it.
    EXPECT_EQ(LauncherProgramFor("/folivex"), "/folivex");
    EXPECT_EQ(LauncherProgramFor("folivex"), "folivex");
    fs::remove_all(prefix);
}

TEST(AbsoluteArgumentPath, NamesThePathWhateverTheOpeningProcessWorksIn) {
    struct Case {
        const char* argument;
        const char* expected;
    } const cases[] = {
        {"beach.jpg", "/home/u/trip/beach.jpg"},
        {"./sub/../beach.jpg", "/home/u/trip/beach.jpg"},
        {"../other/", "/home/u/other/"},
        {"/abs//p.png", "/abs/p.png"},
        {"file:///home/u/My%20Pictures/%E5%A4%8F.jpg", "/home/u/My Pictures/夏.jpg"},
        {"FILE://localhost/tmp/a%23b.png", "/tmp/a#b.png"},
        {"file:///tmp/x.png?query#part", "/tmp/x.png"},
        {"file:///tmp/caf%E9.png", "/tmp/caf\xE9.png"}, // not UTF-8: kept as bytes
        {"file:///tmp/100%.png", "/tmp/100%.png"},
        {"file://server/share/x.png", "file://server/share/x.png"}, // not a local file
        {"caf\xE9.png", "/home/u/trip/caf\xE9.png"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AbsoluteArgumentPath(c.argument, "/home/u/trip"), c.expected) << c.argument;
}

TEST(AbsoluteArgumentPath, ResolvesDotDotThroughALinkAsTheSystemWould) {
    char tmpl[] = "/tmp/folivex-paths-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    std::filesystem::create_directories(dir + "/real/inner");
    std::filesystem::create_directory_symlink(dir + "/real/inner", dir + "/link");
    // link/.. is the real folder's parent, not the link's.
    EXPECT_EQ(AbsoluteArgumentPath("link/../x.png", dir), dir + "/real/x.png");
    EXPECT_EQ(AbsoluteArgumentPath("link/y.png", dir), dir + "/link/y.png");
    std::filesystem::remove_all(dir);
}
