// Desktop launchers and volume labels: Exec quoting that parses back to the same
// arguments, files that desktop-file-validate accepts, and label lookup by device.
#include "albumfile/Launcher.h"
#include "albumfile/VolumeLabel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace folivex {
namespace {

namespace fs = std::filesystem;

fs::path MakeTempFolder(const char* tag) {
    static int counter = 0;
    fs::path p = fs::temp_directory_path() / (std::string(tag) + "-" + std::to_string(::getpid()) +
                                              "-" + std::to_string(counter++));
    fs::create_directories(p);
    return p;
}

// Undoes the string escapes of a desktop entry value.
std::string UnescapeValue(const std::string& v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        const char c = v[++i];
        out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
    }
    return out;
}

// Splits an unescaped Exec value into arguments the way a launcher does.
std::vector<std::string> ExecArguments(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false, inArg = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted && c == '\\' && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == '"') {
            quoted = !quoted;
            inArg = true;
        } else if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            current += '%';
            ++i;
        } else if (c == ' ' && !quoted) {
            if (inArg)
                args.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(current);
    return args;
}

std::map<std::string, std::string> ReadEntry(const fs::path& file) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        if (auto eq = line.find('='); eq != std::string::npos)
            keys[line.substr(0, eq)] = UnescapeValue(line.substr(eq + 1));
    return keys;
}

TEST(Launcher, ExecArgumentsParseBackUnchanged) {
    const std::string hard[] = {"/usr/bin/folivex", "/home/u/AJVs/夏 休み.ajv",
                                "it's \"best\" $HOME `x` 100% back\\slash", " leading blank",
                                "semi;colon&amp"};
    for (const auto& a : hard) {
        const std::string line =
            EscapeDesktopValue(QuoteExecArgument("/opt/fx") + " " + QuoteExecArgument(a));
        EXPECT_EQ(ExecArguments(UnescapeValue(line)), (std::vector<std::string>{"/opt/fx", a}))
            << line;
    }
    EXPECT_EQ(QuoteExecArgument("a\\b"), "\"a\\\\b\"");
    EXPECT_EQ(EscapeDesktopValue(QuoteExecArgument("a\\b")), "\"a\\\\\\\\b\"");
    EXPECT_EQ(EscapeDesktopValue(" x\ty"), "\\sx\\ty");
    EXPECT_EQ(LauncherFileName("a/b\nc"), "a_b_c");
}

TEST(Launcher, TitleWithBlanksAndJapaneseMakesAValidExecutableLauncher) {
    const fs::path dir = MakeTempFolder("launcher");
    const std::string title = "夏休み 2024 \"京都\" 100%";
    const std::string album = (dir / "AJVs/my album's $1.ajv").string();
    const fs::path file = dir / (LauncherFileName(title) + ".desktop");
    ASSERT_TRUE(CreateShortcut(file.string(), "/opt/Folivex dir/folivex", ShowState::Normal,
                               (dir / "AJVs").string(), album, title));

    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IXUSR, 0u);

    auto keys = ReadEntry(file);
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], title);
    EXPECT_EQ(keys["Path"], (dir / "AJVs").string());
    EXPECT_EQ(ExecArguments(keys["Exec"]),
              (std::vector<std::string>{"/opt/Folivex dir/folivex", album}));

    if (std::system("command -v desktop-file-validate >/dev/null 2>&1") != 0) {
        fs::remove_all(dir);
        GTEST_SKIP() << "desktop-file-validate is missing (Debian package desktop-file-utils)";
    }
    const std::string out = (dir / "validate.txt").string();
    const int rc =
        std::system(("desktop-file-validate '" + file.string() + "' > '" + out + "' 2>&1").c_str());
    std::ifstream report(out);
    const std::string text{std::istreambuf_iterator<char>(report), {}};
    EXPECT_EQ(rc, 0) << text;
    EXPECT_EQ(text.find("error"), std::string::npos) << text;
    fs::remove_all(dir);
}

TEST(Launcher, UnwritableFolderGivesFalseAndLeavesNothing) {
    const fs::path dir = MakeTempFolder("launcher");
    EXPECT_FALSE(CreateShortcut((dir / "none/x.desktop").string(), "/p", ShowState::Normal, "/",
                                "/a.ajv", "x"));
    EXPECT_FALSE(fs::exists(dir / "none"));
    fs::remove_all(dir);
}

TEST(VolumeLabel, LabelsByDeviceAndTheProposedName) {
    const fs::path dir = MakeTempFolder("labels");
    EXPECT_EQ(VolumeLabelOf((dir / "missing").string(), dir.string()), "Error");
    EXPECT_EQ(VolumeLabelOf("", dir.string()), "Error");
    EXPECT_EQ(VolumeLabelOf(dir.string(), (dir / "nolabels").string()), "");
    std::ofstream(dir / "NOT_A_DEVICE") << "x";
    EXPECT_EQ(VolumeLabelOf(dir.string(), dir.string()), "");

    EXPECT_EQ(DecodeLabelLink("MY\\x20PHOTO"), "MY PHOTO");
    EXPECT_EQ(DecodeLabelLink("A\\x2"), "A\\x2");
    EXPECT_EQ(ProposedAlbumName("PHOTO", "/media/旅行/京都/"), "PHOTOmedia旅行京都");
    EXPECT_EQ(ProposedAlbumName("Error", "c:/x/"), "Errorcx");

    struct stat held {};
    ASSERT_EQ(::stat(dir.c_str(), &held), 0);
    const fs::path node = dir / "MY\\x20PHOTO";
    if (::mknod(node.c_str(), S_IFBLK | 0600, held.st_dev) != 0) {
        fs::remove_all(dir);
        GTEST_SKIP() << "cannot create a block device node here";
    }
    EXPECT_EQ(VolumeLabelOf(dir.string(), dir.string()), "MY PHOTO");
    fs::remove_all(dir);
}

} // namespace
} // namespace folivex
