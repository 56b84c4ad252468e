// Helpers for the picture-loading tests: temporary folders, the test plug-ins, and
// bitmap files written byte by byte.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace folivex::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "fxload-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
        path_ += '/';
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

inline std::string SpiPath(const std::string& name) {
    return std::string(FOLIVEX_TEST_SPI_DIR) + "/" + name + ".spi";
}

// Copies the named test plug-ins into folder.
inline void CopySpis(const std::string& folder, std::initializer_list<const char*> names) {
    for (const char* name : names)
        std::filesystem::copy_file(SpiPath(name), folder + name + ".spi",
                                   std::filesystem::copy_options::overwrite_existing);
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Append(Bytes& b, std::initializer_list<std::uint8_t> more) {
    b.insert(b.end(), more.begin(), more.end());
}

// A picture of the test plug-ins' private format.
inline Bytes TinyPicture(const char* magic, std::uint8_t w, std::uint8_t h, const Bytes& pixels) {
    Bytes b(magic, magic + 4);
    b.push_back(w);
    b.push_back(h);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A bitmap file with a 40-byte header: colour table, then the pixel data as given.
struct BmpSpec {
    std::int32_t width = 1, height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    Bytes palette{}; // 4 bytes per entry
    Bytes masks{};   // written after the header (bit fields)
    Bytes pixels{};
};

inline Bytes MakeBmp(const BmpSpec& s) {
    const std::uint32_t offset = 14 + 40 + std::uint32_t(s.masks.size() + s.palette.size());
    Bytes b{'B', 'M'};
    Put32(b, offset + std::uint32_t(s.pixels.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, std::uint32_t(s.width));
    Put32(b, std::uint32_t(s.height));
    Put16(b, 1);
    Put16(b, s.bitCount);
    Put32(b, s.compression);
    Put32(b, std::uint32_t(s.pixels.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, s.colorsUsed);
    Put32(b, 0);
    b.insert(b.end(), s.masks.begin(), s.masks.end());
    b.insert(b.end(), s.palette.begin(), s.palette.end());
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    return b;
}

} // namespace folivex::test
