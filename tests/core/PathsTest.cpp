#include "core/Paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

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
