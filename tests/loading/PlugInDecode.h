// Decoding through one bundled plug-in loaded by the host's plug-in class, with the
// bitmap it hands back read into rows from the top: what the format tests compare.
#pragma once

#include "LoadingTestUtil.h"
#include "loading/PictureRegistry.h"
#include "loading/ReadableFormats.h"
#include "loading/SPIs.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace folivex::test {

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The bundled plug-in of that name from the program folder.
inline std::unique_ptr<TInSPI> BundledPlugIn(const std::string& name) {
    return std::make_unique<TInSPI>(FOLIVEX_BIN_DIR "/" + name + ".spi");
}

// The bundled plug-ins as the program loads them: the host's own search of the program
// folder, announcing their formats. While it exists it is the program's one manager.
struct BundledPlugInHost {
    BundledPlugInHost() {
        spis.Registry = &registry;
        spis.SearchOptions = {TSPISearchOption::spsAppDir};
        formats.Connect(spis);
        spis.Search("*.spi");
    }
    // The loaded plug-in whose file is NAME.spi, or nullptr.
    TInSPI* PlugIn(const std::string& name) {
        const std::string file = name + ".spi";
        for (int i = 0; i < spis.Count(); ++i) {
            const std::string& path = spis[i].FileName();
            if (path.size() >= file.size() &&
                path.compare(path.size() - file.size(), std::string::npos, file) == 0)
                return dynamic_cast<TInSPI*>(&spis[i]);
        }
        return nullptr;
    }

    PictureRegistry registry;
    ReadableFormats formats;
    TSPIs spis{TSPIPlaces{FOLIVEX_BIN_DIR "/", ""}};
};

// The data in a heap block of exactly its length, so that a read past the end is caught
// by the sanitizer build; IsSupported gets its 2048 bytes.
struct ExactBlock {
    explicit ExactBlock(const Bytes& bytes)
        : data(std::make_unique<char[]>(std::max<std::size_t>(bytes.size(), 1))),
          size(bytes.size()) {
        std::copy(bytes.begin(), bytes.end(), data.get());
        std::copy_n(bytes.begin(), std::min(bytes.size(), head.size()), head.begin());
    }
    std::unique_ptr<char[]> data;
    std::size_t size;
    std::array<char, 2048> head{};
};

struct Rgb8 {
    int r = 0, g = 0, b = 0;
};

// What a plug-in made of some data: the result code and, on success, the picture in RGB
// rows from the top (8-bit bitmaps through their colour table).
struct Decoded {
    int result = -1;
    int width = 0, height = 0, bits = 0;
    Bytes rgb;
    Rgb8 At(int x, int y) const {
        const std::size_t i = (std::size_t(y) * std::size_t(width) + std::size_t(x)) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

inline void ReadBitmap(Decoded& d, const std::uint8_t* header, const std::uint8_t* pixels) {
    std::memcpy(&d.width, header + 4, 4);
    std::memcpy(&d.height, header + 8, 4);
    d.bits = header[14];
    const std::size_t stride = (std::size_t(d.width) * std::size_t(d.bits) + 31) / 32 * 4;
    for (int y = 0; (d.bits == 24 || d.bits == 8) && y < d.height; ++y) {
        const std::uint8_t* row = pixels + std::size_t(d.height - 1 - y) * stride;
        for (int x = 0; x < d.width; ++x) {
            const std::uint8_t* bgr = d.bits == 24 ? row + 3 * x : header + 40 + 4 * row[x];
            Append(d.rgb, {bgr[2], bgr[1], bgr[0]});
        }
    }
}

inline Decoded DecodeWith(TInSPI& spi, const Bytes& file) {
    const ExactBlock exact(file);
    HLOCAL info = nullptr, bits = nullptr;
    Decoded d;
    d.result = spi.GetPicture(exact.data.get(), intptr_t(exact.size), 1, &info, &bits, nullptr, 0);
    if (d.result != 0)
        return d;
    ReadBitmap(d, static_cast<const std::uint8_t*>(LocalLock(info)),
               static_cast<const std::uint8_t*>(LocalLock(bits)));
    LocalUnlock(info);
    LocalUnlock(bits);
    LocalFree(info);
    LocalFree(bits);
    return d;
}

} // namespace folivex::test
