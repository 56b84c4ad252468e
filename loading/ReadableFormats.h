// The readable picture formats as the main window offers them: the filter of the picture
// file dialogs, the list of every readable file pattern, and the patterns of the check
// list that decides which files of a folder are listed. JPEG and BMP are always there;
// every format a loaded picture plug-in announces is added while the plug-ins load.
#pragma once

#include "loading/SPIs.h"

#include <string>
#include <string_view>
#include <vector>

namespace folivex {

class ReadableFormats {
public:
    static constexpr std::string_view kInitialFilter =
        "JPEG(*.jpg;*.jpeg)|*.jpg;*.jpeg|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|";
    static constexpr std::string_view kInitialMask = "*.jpg;*.jpeg;*.bmp;";
    static constexpr std::string_view kAllFormatsEntry = "対応している画像ファイル|";

    // Pairs of description and pattern, each followed by "|"; empty until a plug-in
    // announces a format.
    std::string PictureFilter;
    // Every readable pattern, each followed by ";"; empty until a plug-in announces one.
    std::string PictureMask;

    // Makes this object handle the manager's OnPictureRegister event.
    void Connect(TSPIs& spis);

    // The handler of OnPictureRegister. JPEG and BMP stay with the built-in readers (the
    // graphic class is cleared and nothing is added); any other format adds the entry of
    // that very format (its own name and pattern) to the filter and the mask.
    void SPIs1PictureRegister(TInSPI& aspi, const std::string& aExtension,
                              PictureDecoder& aGraphicClass, std::size_t formatIndex);

    // The filter for a picture file dialog: the initial one alone while no plug-in has
    // announced anything, else every entry and the all-formats entry last.
    std::string DialogFilter() const;

    // The entries of the pattern check list, in order, all to be ticked.
    std::vector<std::string> FileExtPatterns() const;
};

// One entry of a dialog filter text.
struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};
// Splits "description|pattern;pattern|..." into its entries (for dialogs that take the
// patterns apart).
std::vector<FilterEntry> SplitDialogFilter(std::string_view filter);

} // namespace folivex
