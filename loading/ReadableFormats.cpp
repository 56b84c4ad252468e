#include "loading/ReadableFormats.h"

namespace folivex {

namespace {

// Splits text at each ";"; a last piece without ";" after it is not an entry, and empty
// pieces are no patterns.
std::vector<std::string> SplitPatterns(std::string_view text) {
    std::vector<std::string> out;
    std::string gathered;
    for (char c : text) {
        if (c != ';') {
            gathered += c;
            continue;
        }
        if (!gathered.empty())
            out.push_back(gathered);
        gathered.clear();
    }
    return out;
}

} // namespace

void ReadableFormats::Connect(TSPIs& spis) {
    spis.OnPictureRegister = [this](TSPIs&, TInSPI& aspi, const std::string& aExtension,
                                    const std::string&, PictureDecoder& aGraphicClass,
                                    std::size_t formatIndex) {
        SPIs1PictureRegister(aspi, aExtension, aGraphicClass, formatIndex);
    };
}

void ReadableFormats::SPIs1PictureRegister(TInSPI& aspi, const std::string& aExtension,
                                           PictureDecoder& aGraphicClass, std::size_t formatIndex) {
    if (PictureFilter.empty())
        PictureFilter = kInitialFilter;
    if (PictureMask.empty())
        PictureMask = kInitialMask;
    const std::string ext = UpperCaseAscii(aExtension);
    if (ext == "JPG" || ext == "JPEG" || ext == "BMP") {
        aGraphicClass = nullptr;
        return;
    }
    if (formatIndex >= aspi.Filters().size() || formatIndex >= aspi.FilterNames().size())
        return;
    const std::string& pattern = aspi.Filters()[formatIndex];
    const std::string& name = aspi.FilterNames()[formatIndex];
    PictureFilter += name + "(" + pattern + ")|" + pattern + "|";
    PictureMask += pattern + ";";
}

std::string ReadableFormats::DialogFilter() const {
    if (PictureFilter.empty())
        return std::string(kInitialFilter);
    return PictureFilter + std::string(kAllFormatsEntry) + PictureMask;
}

std::vector<std::string> ReadableFormats::FileExtPatterns() const {
    if (PictureMask.empty())
        return {"*.bmp", "*.jpg", "*.jpeg"};
    return SplitPatterns(PictureMask);
}

std::vector<FilterEntry> SplitDialogFilter(std::string_view filter) {
    std::vector<FilterEntry> entries;
    while (!filter.empty()) {
        auto bar = filter.find('|');
        if (bar == std::string_view::npos)
            break;
        FilterEntry entry{std::string(filter.substr(0, bar)), {}};
        filter.remove_prefix(bar + 1);
        auto end = filter.find('|');
        std::string_view patterns = filter.substr(0, end);
        entry.patterns = SplitPatterns(std::string(patterns) + ";");
        entries.push_back(std::move(entry));
        filter.remove_prefix(end == std::string_view::npos ? filter.size() : end + 1);
    }
    return entries;
}

} // namespace folivex
