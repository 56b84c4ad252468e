// The picture-format registry: which file extensions the program can decode, with a
// description and the decoder that reads them. Plug-ins register their formats here as
// they are loaded; nothing is ever unregistered.
#pragma once

#include "core/Bitmap24.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// Decodes one picture file into 24 bits per pixel; raises folivex::Error on failure.
// Plays the part of a graphic class: an empty decoder means "none".
using PictureDecoder = std::function<Bitmap24(const std::string& path)>;

struct PictureFormat {
    std::string extension; // without period, as registered
    std::string description;
    PictureDecoder decoder;
};

class PictureRegistry {
public:
    // The program-wide registry.
    static PictureRegistry& Global();

    // A later registration of an extension replaces the earlier one.
    void Register(std::string_view extension, std::string_view description, PictureDecoder decoder);
    // Extensions match without regard to ASCII letter case; nullptr when unknown.
    const PictureFormat* Find(std::string_view extension) const;
    const std::vector<PictureFormat>& Formats() const { return formats_; }

private:
    std::vector<PictureFormat> formats_;
};

} // namespace folivex
