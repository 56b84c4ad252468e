// Real processes killed in the middle of a save: the probe runs the real album and
// settings save code; the test kills it with SIGKILL, first at every step of the save
// (the probe pauses there through the save seam of core/AtomicFile.h), then at spread-out
// moments of an unpaused run. Afterwards the file must be the old or the new one, byte
// for byte, never a mix, a truncation or missing.
#include "albumfile/probe/BigAlbum.h"
#include "core/AtomicFile.h"
#include "core/IniFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace folivex {
namespace {

namespace fs = std::filesystem;

constexpr int kAlbumPictures = 20000; // about 1.4 MB, two dozen write pieces
constexpr int kSettingsLines = 3000;  // about 190 kB

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class TempFolder {
public:
    TempFolder() {
        char tmpl[] = "/tmp/folivex-kill-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

    // A killed save leaves its hidden temporary file; nothing else may appear.
    void ExpectOnlyAndClean(const std::string& keep) const {
        for (const auto& e : fs::directory_iterator(path_)) {
            const std::string name = e.path().filename().string();
            if (name == keep)
                continue;
            EXPECT_EQ(name.rfind(".folivex-save-", 0), 0u) << name;
            fs::remove(e.path());
        }
    }

private:
    std::string path_;
};

// The probe as a child process with a pipe to its standard input and one from its output.
class Probe {
public:
    Probe(const std::vector<std::string>& args, const std::string& seam) {
        int toChild[2], fromChild[2];
        EXPECT_EQ(::pipe(toChild), 0);
        EXPECT_EQ(::pipe(fromChild), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<std::string> env{seam};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "FOLIVEX_SAVE_", 13) != 0)
                env.emplace_back(*e);
        std::vector<char*> argv{const_cast<char*>(FOLIVEX_SAVE_PROBE)};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        EXPECT_EQ(
            ::posix_spawn(&pid_, FOLIVEX_SAVE_PROBE, &actions, nullptr, argv.data(), envp.data()),
            0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toChild[0]);
        ::close(fromChild[1]);
        in_ = toChild[1];
        out_ = fromChild[0];
        envKeep_ = std::move(env);
    }
    ~Probe() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        ::close(in_);
        ::close(out_);
    }

    // The next line of output, or "" at its end.
    std::string Line() {
        std::string line;
        char c;
        while (::read(out_, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    void Go() { ASSERT_EQ(::write(in_, "g", 1), 1); }
    // Kills the probe; a probe that has already finished must have saved successfully.
    void Kill() {
        ::kill(pid_, SIGKILL);
        const int status = Wait();
        EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 0));
    }
    int Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::vector<std::string> envKeep_;
};

struct Outcome {
    int killPoints = 0;
    int oldFiles = 0;
    int newFiles = 0;
};

// Kills the paused probe at step 0, 1, 2 ... until a run gets through the whole save.
Outcome KillAtEveryStep(const TempFolder& dir, const std::string& name,
                        const std::vector<std::string>& args, const std::string& oldBytes,
                        const std::string& newBytes) {
    Outcome out;
    for (int k = 0;; ++k) {
        WriteAll(dir.File(name), oldBytes);
        Probe probe(args, "FOLIVEX_SAVE_PAUSE=1");
        bool paused = false;
        for (int step = 0;; ++step) {
            const std::string line = probe.Line();
            if (line.rfind("step ", 0) != 0) {
                EXPECT_EQ(line, "saved");
                break;
            }
            if (step == k) {
                paused = true;
                break;
            }
            probe.Go();
        }
        if (!paused) {
            const int status = probe.Wait();
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
            EXPECT_TRUE(ReadAll(dir.File(name)) == newBytes) << "after an uninterrupted save";
            dir.ExpectOnlyAndClean(name);
            return out;
        }
        probe.Kill();
        const std::string now = ReadAll(dir.File(name));
        EXPECT_TRUE(now == oldBytes || now == newBytes)
            << "killed at step " << k << ": " << now.size() << " bytes";
        ++out.killPoints;
        out.oldFiles += now == oldBytes;
        out.newFiles += now == newBytes;
        dir.ExpectOnlyAndClean(name);
    }
}

// Kills an unpaused (slightly slowed) probe at `count` moments spread over its run,
// process start included.
Outcome KillAtMoments(const TempFolder& dir, const std::string& name,
                      const std::vector<std::string>& args, const std::string& oldBytes,
                      const std::string& newBytes, int count) {
    const std::string slow = "FOLIVEX_SAVE_SLOW=300";
    WriteAll(dir.File(name), oldBytes);
    const auto start = std::chrono::steady_clock::now();
    {
        Probe probe(args, slow);
        EXPECT_EQ(probe.Line(), "saved");
        probe.Wait();
    }
    const auto whole = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(ReadAll(dir.File(name)) == newBytes);
    Outcome out;
    for (int i = 0; i < count; ++i) {
        WriteAll(dir.File(name), oldBytes);
        Probe probe(args, slow);
        std::this_thread::sleep_for(whole * (i + 1) / (count + 1));
        probe.Kill();
        const std::string now = ReadAll(dir.File(name));
        EXPECT_TRUE(now == oldBytes || now == newBytes)
            << "killed at moment " << i << ": " << now.size() << " bytes";
        ++out.killPoints;
        out.oldFiles += now == oldBytes;
        out.newFiles += now == newBytes;
        dir.ExpectOnlyAndClean(name);
    }
    return out;
}

TEST(SaveKill, AlbumIsOldOrNewWhereverTheSaveIsKilled) {
    TempFolder dir;
    const std::string oldBytes = test::BigAlbumBytes(kAlbumPictures, "old");
    const std::string newBytes = test::BigAlbumBytes(kAlbumPictures, "new");
    ASSERT_NE(oldBytes, newBytes);
    const std::vector<std::string> args{"album", dir.File("big.ajv"),
                                        std::to_string(kAlbumPictures), "new"};

    const Outcome steps = KillAtEveryStep(dir, "big.ajv", args, oldBytes, newBytes);
    // Every piece of the write and the flush keep the old file; only the folder flush
    // and the end come after the rename.
    const int pieces = int((newBytes.size() + kSaveChunkBytes - 1) / kSaveChunkBytes);
    EXPECT_EQ(steps.killPoints, pieces + 4);
    EXPECT_EQ(steps.oldFiles, pieces + 2);
    EXPECT_EQ(steps.newFiles, 2);

    const Outcome moments = KillAtMoments(dir, "big.ajv", args, oldBytes, newBytes, 30);
    EXPECT_EQ(moments.oldFiles + moments.newFiles, moments.killPoints);
    std::printf("album: %d kill points at steps, %d at moments; %d old, %d new, none lost\n",
                steps.killPoints, moments.killPoints, steps.oldFiles + moments.oldFiles,
                steps.newFiles + moments.newFiles);
}

TEST(SaveKill, SettingsAreOldOrNewWhereverTheSaveIsKilled) {
    TempFolder dir;
    const std::string oldBytes = test::BigSettingsBytes(kSettingsLines);
    const std::string value = "/usr/bin/写真ビューア --new";
    WriteAll(dir.File("expected.INI"), oldBytes);
    IniFile(dir.File("expected.INI")).WriteString("Conf", "ImgViewer", value);
    const std::string newBytes = ReadAll(dir.File("expected.INI"));
    fs::remove(dir.File("expected.INI"));
    ASSERT_NE(oldBytes, newBytes);
    const std::vector<std::string> args{"settings", dir.File("Folmo.INI"), value};

    const Outcome steps = KillAtEveryStep(dir, "Folmo.INI", args, oldBytes, newBytes);
    const int pieces = int((newBytes.size() + kSaveChunkBytes - 1) / kSaveChunkBytes);
    EXPECT_EQ(steps.killPoints, pieces + 4);
    EXPECT_EQ(steps.newFiles, 2);

    const Outcome moments = KillAtMoments(dir, "Folmo.INI", args, oldBytes, newBytes, 20);
    EXPECT_EQ(moments.oldFiles + moments.newFiles, moments.killPoints);
    std::printf("settings: %d kill points at steps, %d at moments; %d old, %d new, none lost\n",
                steps.killPoints, moments.killPoints, steps.oldFiles + moments.oldFiles,
                steps.newFiles + moments.newFiles);
}

} // namespace
} // namespace folivex
