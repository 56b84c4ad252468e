// A small program around the real save code (album files and the settings file), so the
// kill test can SIGKILL a real process in the middle of a save.
//   save_probe album PATH COUNT TAG      WriteAlbumFile of BigAlbumBytes(COUNT, TAG)
//   save_probe settings PATH VALUE       Conf/ImgViewer = VALUE in the settings at PATH
// With FOLIVEX_SAVE_PAUSE=1 the probe prints "step N" before every step of the save and
// waits for one byte on its standard input before going on (the test seam of
// core/AtomicFile.h); with FOLIVEX_SAVE_SLOW=MICROSECONDS it sleeps that long instead.
// It prints "saved" when the save is complete.
#include "albumfile/AlbumText.h"
#include "albumfile/probe/BigAlbum.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/IniFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void Say(const std::string& line) {
    const std::string text = line + "\n";
    if (::write(STDOUT_FILENO, text.data(), text.size()) != ssize_t(text.size()))
        std::_Exit(3);
}

void InstallSeam() {
    const char* pause = std::getenv("FOLIVEX_SAVE_PAUSE");
    const char* slow = std::getenv("FOLIVEX_SAVE_SLOW");
    if (pause && std::string(pause) == "1") {
        folivex::SetSaveStepHookForTesting([n = 0](folivex::SaveStep, std::size_t) mutable {
            Say("step " + std::to_string(n++));
            char go;
            if (::read(STDIN_FILENO, &go, 1) < 0)
                std::_Exit(4);
            return 0;
        });
    } else if (slow) {
        const auto micros = static_cast<useconds_t>(std::atoi(slow));
        folivex::SetSaveStepHookForTesting([micros](folivex::SaveStep, std::size_t) {
            ::usleep(micros);
            return 0;
        });
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (!((mode == "album" && argc == 5) || (mode == "settings" && argc == 4))) {
        std::fprintf(stderr, "usage: save_probe album PATH COUNT TAG | settings PATH VALUE\n");
        return 2;
    }
    InstallSeam();
    try {
        if (mode == "album") {
            const std::string bytes = folivex::test::BigAlbumBytes(std::atoi(argv[3]), argv[4]);
            folivex::WriteFileReplacing(argv[2], bytes);
        } else {
            folivex::IniFile(argv[2]).WriteString("Conf", "ImgViewer", argv[3]);
        }
    } catch (const folivex::Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    Say("saved");
    return 0;
}
