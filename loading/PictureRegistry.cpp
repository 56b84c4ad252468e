#include "loading/PictureRegistry.h"

#include "loading/SPIs.h"

namespace folivex {

PictureRegistry& PictureRegistry::Global() {
    static PictureRegistry registry;
    return registry;
}

void PictureRegistry::Register(std::string_view extension, std::string_view description,
                               PictureDecoder decoder) {
    PictureFormat format{std::string(extension), std::string(description), std::move(decoder)};
    for (auto& known : formats_) {
        if (SameTextNoCase(known.extension, extension)) {
            known = std::move(format);
            return;
        }
    }
    formats_.push_back(std::move(format));
}

const PictureFormat* PictureRegistry::Find(std::string_view extension) const {
    for (const auto& known : formats_) {
        if (SameTextNoCase(known.extension, extension))
            return &known;
    }
    return nullptr;
}

} // namespace folivex
