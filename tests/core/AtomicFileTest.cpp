// Saves that lose nothing: every failure keeps the old file byte for byte and leaves no
// temporary file; full disks and read-only folders are real ones where the test may mount.
#include "core/AtomicFile.h"

#include "core/Error.h"
#include "core/IniFile.h"
#include "support/SmallDisk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace folivex;
namespace fs = std::filesystem;

namespace {

constexpr AtomicFileTexts kTexts{"create %s", "write %s"};

class TempFolder {
public:
    TempFolder() {
        char tmpl[] = "/tmp/folivex-save-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The message of the Error a call raises, or "" when it raises none.
template <typename F> std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.what();
    }
    return "";
}

struct HookReset {
    ~HookReset() { SetSaveStepHookForTesting(nullptr); }
};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(AtomicFile, ReplacesKeepingModeAndMakesNewFilesAsUsual) {
    TempFolder dir;
    const std::string old = dir.File("kept-mode");
    WriteAll(old, "old");
    ::chmod(old.c_str(), 0640);
    WriteFileAtomically(old, "new contents", kTexts);
    EXPECT_EQ(ReadAll(old), "new contents");
    EXPECT_EQ(ModeOf(old), 0640u);

    const mode_t mask = ::umask(022);
    WriteFileAtomically(dir.File("fresh"), "", kTexts);
    WriteFileAtomically(dir.File("launcher"), "x", kTexts, /*executable=*/true);
    ::umask(mask);
    EXPECT_EQ(ReadAll(dir.File("fresh")), "");
    EXPECT_EQ(ModeOf(dir.File("fresh")), 0644u);
    EXPECT_EQ(ModeOf(dir.File("launcher")), 0755u);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"fresh", "kept-mode", "launcher"}));
}

TEST(AtomicFile, ALinkStaysALinkAndItsTargetIsSaved) {
    TempFolder dir;
    fs::create_directory(dir.File("real"));
    WriteAll(dir.File("real/Folmo.INI"), "old");
    fs::create_symlink("real/Folmo.INI", dir.File("Folmo.INI"));
    WriteFileAtomically(dir.File("Folmo.INI"), "new", kTexts);
    EXPECT_TRUE(fs::is_symlink(dir.File("Folmo.INI")));
    EXPECT_EQ(ReadAll(dir.File("real/Folmo.INI")), "new");
    EXPECT_EQ(Names(dir.File("real")), (std::vector<std::string>{"Folmo.INI"}));
}

TEST(AtomicFile, LargeSavesArriveWhole) {
    TempFolder dir;
    std::string big;
    for (int i = 0; big.size() < 3 * kSaveChunkBytes + 17; ++i)
        big += "line " + std::to_string(i) + "\r\n";
    WriteFileAtomically(dir.File("big"), big, kTexts);
    EXPECT_EQ(ReadAll(dir.File("big")), big);
}

// Each failure, injected at one step or made by the file system, must raise the right
// text, keep the old file and leave only it in the folder.
TEST(AtomicFile, EveryFailedStepKeepsTheOldFileAndRemovesTheTemporary) {
    HookReset reset;
    struct Case {
        const char* what;
        SaveStep step;
        int error;
        std::size_t size;
        std::size_t failFrom; // bytes written when the step fails
    } cases[] = {
        {"full disk on the first piece", SaveStep::Write, ENOSPC, 10, 0},
        {"full disk on a later piece", SaveStep::Write, ENOSPC, 3 * kSaveChunkBytes,
         2 * kSaveChunkBytes},
        {"quota on the flush", SaveStep::Sync, EDQUOT, 10, 0},
        {"input/output error on the flush", SaveStep::Sync, EIO, 10, 0},
        {"rename refused", SaveStep::Rename, EROFS, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const std::string path = dir.File("album.ajv");
        WriteAll(path, "old album");
        bool seenOnce = false;
        SetSaveStepHookForTesting([&](SaveStep step, std::size_t written) {
            if (step != c.step || written < c.failFrom || seenOnce)
                return 0;
            seenOnce = true;
            return c.error;
        });
        EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(path, std::string(c.size, 'n'), kTexts); }),
                  "write " + path);
        EXPECT_TRUE(seenOnce);
        EXPECT_EQ(ReadAll(path), "old album");
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"album.ajv"}));
        SetSaveStepHookForTesting(nullptr);
    }
}

TEST(AtomicFile, TargetsThatMustNotBeReplacedAreRefused) {
    TempFolder dir;
    const std::string readOnly = dir.File("Folmo.INI");
    WriteAll(readOnly, "[Conf]\r\nRate=70\r\n");
    ::chmod(readOnly.c_str(), 0444);
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(readOnly, "lost", kTexts); }), "write " + readOnly);
    EXPECT_EQ(ReadAll(readOnly), "[Conf]\r\nRate=70\r\n");
    EXPECT_EQ(ModeOf(readOnly), 0444u);

    const std::string folder = dir.File("a folder");
    fs::create_directory(folder);
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(folder, "x", kTexts); }), "write " + folder);
    EXPECT_TRUE(fs::is_directory(folder));

    const std::string tooLong = dir.File(std::string(300, 'n'));
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(tooLong, "x", kTexts); }), "write " + tooLong);
    const std::string missing = dir.File("no folder/x");
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(missing, "x", kTexts); }), "create " + missing);
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"Folmo.INI", "a folder"}));
}

// The settings file made read-only is reported, not silently replaced by the rename.
TEST(AtomicFile, ReadOnlySettingsFileIsReportedWithTheSettingsText) {
    TempFolder dir;
    const std::string path = dir.File("Folmo.INI");
    WriteAll(path, "[Conf]\r\nRate=70\r\n");
    ::chmod(path.c_str(), 0444);
    IniFile ini(path);
    EXPECT_EQ(ErrorOf([&] { ini.WriteInteger("Conf", "Rate", 90); }), path + " に書き込めません");
    EXPECT_EQ(ReadAll(path), "[Conf]\r\nRate=70\r\n");
}

TEST(AtomicFile, RealFullDiskKeepsTheOldSettings) {
    test::SmallDisk disk(64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string path = disk.Path("Folmo.INI");
    const std::string old = "[Conf]\r\nRate=70\r\n";
    WriteAll(path, old);
    disk.Fill();
    IniFile ini(path);
    EXPECT_EQ(ErrorOf([&] { ini.WriteString("Conf", "ImgViewer", std::string(8000, 'v')); }),
              path + " に書き込めません");
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(Names(disk.Root()), (std::vector<std::string>{"Folmo.INI", "filler"}));

    // Room again: the same save now succeeds.
    fs::remove(disk.Path("filler"));
    ini.WriteString("Conf", "ImgViewer", std::string(8000, 'v'));
    EXPECT_EQ(ini.ReadString("Conf", "ImgViewer", "").size(), IniFile::kMaxTextBytes);
}

TEST(AtomicFile, RealReadOnlyFolderKeepsTheOldFile) {
    test::SmallDisk disk(64 * 1024);
    if (!disk.Mounted())
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    const std::string path = disk.Path("Folmo.INI");
    WriteAll(path, "old");
    ASSERT_TRUE(disk.MakeReadOnly());
    EXPECT_EQ(ErrorOf([&] { WriteFileAtomically(path, "new", kTexts); }), "write " + path);
    EXPECT_EQ(ReadAll(path), "old");
}

} // namespace

namespace {

// A process id that no process has now: a child that has already ended.
pid_t EndedProcess() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

} // namespace

TEST(AtomicFile, TheNextSaveRemovesTemporariesOfKilledSavesOnly) {
    TempFolder dir;
    const std::string orphan = ".folivex-save-" + std::to_string(EndedProcess()) + "-a1b2c3";
    const std::string live = ".folivex-save-" + std::to_string(::getppid()) + "-d4e5f6";
    for (const std::string& name :
         {orphan, live, std::string(".folivex-save-x-123"), std::string("notes.txt")})
        WriteAll(dir.File(name), "left");
    WriteFileAtomically(dir.File("album.ajv"), "new", kTexts);
    std::vector<std::string> kept{".folivex-save-x-123", live, "album.ajv", "notes.txt"};
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(Names(dir.path()), kept);
}
