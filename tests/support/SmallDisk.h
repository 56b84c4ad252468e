// A real, tiny file system for save tests: a size-limited tmpfs mounted on a fresh
// temporary folder, so that a full disk or a read-only folder is the kernel's own
// ENOSPC or EROFS. Mounting needs root; elsewhere Mounted() is false and the test skips.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace folivex::test {

class SmallDisk {
public:
    explicit SmallDisk(std::size_t bytes) {
        char tmpl[] = "/tmp/folivex-disk-XXXXXX";
        if (!::mkdtemp(tmpl))
            return;
        root_ = tmpl;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", root_.c_str(), "tmpfs",
                                               MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(root_.c_str(), MNT_DETACH);
        std::error_code ec;
        if (!root_.empty())
            std::filesystem::remove_all(root_, ec);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return mounted_; }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }
    const std::string& Root() const { return root_; }

    // Takes every free block, leaving `spare` bytes or less.
    void Fill(std::size_t spare = 0) const {
        std::ofstream filler(Path("filler"), std::ios::binary);
        const std::string block(4096, 'f');
        while (Free() > spare + block.size() &&
               filler.write(block.data(), std::streamsize(block.size())))
            filler.flush();
    }
    std::size_t Free() const {
        std::error_code ec;
        return std::size_t(std::filesystem::space(root_, ec).available);
    }
    bool MakeReadOnly() const {
        return ::mount(nullptr, root_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string root_;
    bool mounted_ = false;
};

} // namespace folivex::test
