// The Susie plug-in host: finds *.spi shared objects, loads them, reads the formats they
// decode, keeps them in an ordered list and registers their formats with the picture
// registry, so that files of those extensions decode through TSPIBitmap.
#pragma once

#include "core/Error.h"
#include "folivex/susie.h"
#include "loading/PictureRegistry.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// ---- errors of the host, each carrying only its message ----
class ESPIInvalidSPI : public Error {
    using Error::Error;
};
class ESPIInvalidAPI : public Error {
    using Error::Error;
};
class ESPIFOpenErrorSPI : public Error {
    using Error::Error;
};
class ESPIDupCreateSPIs : public Error {
    using Error::Error;
};

namespace msg {
inline constexpr std::string_view kSPILoadFailed =
    FOLIVEX_TRANSLATE_NOOP("Messages", "%s:Susie Pluginがロードできませんでした");
inline constexpr std::string_view kSPIInvalid =
    FOLIVEX_TRANSLATE_NOOP("Messages", "%s:認識できないSusie Pluginです");
inline constexpr std::string_view kSPIInvalidAPI =
    FOLIVEX_TRANSLATE_NOOP("Messages", "%sは[%s]では使えないSusie Plugin APIです");
inline constexpr std::string_view kSPIsDuplicate =
    FOLIVEX_TRANSLATE_NOOP("Messages", "TSPIs は複数生成できません");
} // namespace msg

// ---- small text helpers shared by the loading code ----

// ASCII-only case folding, as extensions and patterns are compared.
bool SameTextNoCase(std::string_view a, std::string_view b);
std::string UpperCaseAscii(std::string_view text);
// The extension of a file name or filter with its period: the text from the last period,
// unless a "/" follows it; empty when there is none.
std::string ExtractFileExt(std::string_view name);

// One loaded plug-in library.
class TSPI {
public:
    // Loads the library and reads its information; raises ESPIFOpenErrorSPI when it cannot
    // be loaded and ESPIInvalidSPI when it has no GetPluginInfo.
    explicit TSPI(const std::string& fileName);
    virtual ~TSPI();
    TSPI(const TSPI&) = delete;
    TSPI& operator=(const TSPI&) = delete;

    void* Handle() const { return handle_; }
    const std::string& FileName() const { return fileName_; }
    // Texts of the plug-in, converted from CP932 to UTF-8.
    const std::string& APIVersion() const { return apiVersion_; }
    const std::string& PluginInfo() const { return pluginInfo_; }
    const std::vector<std::string>& Filters() const { return filters_; }
    const std::vector<std::string>& FilterNames() const { return filterNames_; }

    int32_t GetPluginInfo(int32_t infoNo, char* buf, int32_t bufLen);

    // Most formats read from one plug-in; a plug-in that answers every number would
    // otherwise keep the start-up busy for ever.
    static constexpr int kMaxFormats = 1024;

protected:
    // The address of an entry point, or nullptr when the library lacks it.
    void* EntryPoint(const char* name) const;
    [[noreturn]] void ThrowInvalidAPI(const char* entryPoint) const;

private:
    void ReadInformation();
    bool ReadInfoText(int32_t infoNo, std::string& text);

    void* handle_ = nullptr;
    std::string fileName_;
    std::string apiVersion_;
    std::string pluginInfo_;
    std::vector<std::string> filters_;
    std::vector<std::string> filterNames_;
    SusieGetPluginInfoFunc getPluginInfo_ = nullptr;
};

// A picture-decoding ("00IN") plug-in.
class TInSPI : public TSPI {
public:
    // Also raises ESPIInvalidSPI when IsSupported, GetPictureInfo or GetPicture is missing.
    explicit TInSPI(const std::string& fileName);

    int32_t IsSupported(const char* fileName, void* data);
    int32_t GetPictureInfo(const char* buf, intptr_t len, uint32_t flag, SusiePictureInfo* info);
    int32_t GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* hbInfo, HLOCAL* hbm,
                       SusieProgressCallback progress, intptr_t data);

private:
    SusieIsSupportedFunc isSupported_ = nullptr;
    SusieGetPictureInfoFunc getPictureInfo_ = nullptr;
    SusieGetPictureFunc getPicture_ = nullptr;
};

// "00XN" and "00AM" plug-ins: loaded and listed, never asked to decode.
class TXnSPI : public TSPI {
public:
    using TSPI::TSPI;
};
class TAmSPI : public TSPI {
public:
    using TSPI::TSPI;
};

// A plug-in object of the class for the library's API version, or nullptr when the file
// is not a usable plug-in. Other failures propagate.
std::unique_ptr<TSPI> CreateSPI(const std::string& fileName);

enum class TSPISearchOption { spsSusieDir, spsAppDir, spsCurrentDir, spsSystemDir, spsWindowsDir };
using TSPISearchOptions = std::set<TSPISearchOption>;

class TSPIs;
using TSPISearchEvent = std::function<void(TSPIs& sender, TSPI& aspi, bool& accept)>;
// Raised once per format of a picture-decoding plug-in when it is added. formatIndex is
// the format's index in the plug-in's Filters and FilterNames.
using TSPIPictureRegisterEvent = std::function<void(
    TSPIs& sender, TInSPI& aspi, const std::string& aExtension, const std::string& aDescription,
    PictureDecoder& aGraphicClass, std::size_t formatIndex)>;

// Where the search places are on this machine. The program folder and the Susie
// settings file are handed in by the caller, so tests can point them anywhere.
struct TSPIPlaces {
    std::string appDir{};       // the program folder
    std::string susieIniPath{}; // holds the Susie viewer's plug-in folder, see SusieFolder
    std::string currentDir{};   // empty: the process's current folder
    std::string systemDir = "/usr/lib";
    std::string windowsDir = "/usr";
};

// The plug-in manager. At most one exists at a time.
class TSPIs {
public:
    // Raises ESPIDupCreateSPIs when a manager already exists.
    explicit TSPIs(TSPIPlaces places);
    ~TSPIs();
    TSPIs(const TSPIs&) = delete;
    TSPIs& operator=(const TSPIs&) = delete;

    bool AutoSearch = true;
    TSPISearchOptions SearchOptions = {TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir};
    TSPISearchEvent OnSearch;
    TSPIPictureRegisterEvent OnPictureRegister;
    // Where formats are registered; the program-wide registry unless a test sets another.
    PictureRegistry* Registry = &PictureRegistry::Global();

    // What formats are registered with unless OnPictureRegister changes it.
    static PictureDecoder& DefaultGraphicClass();

    // Runs Search("*.spi") when AutoSearch is set (the end of the manager's set-up).
    void Loaded();
    // Loads every plug-in matching the mask: from the mask's own folder when it has one,
    // else from each place of SearchOptions in a fixed order.
    void Search(const std::string& mask);
    void SearchFolder(const std::string& folder, const std::string& pattern);

    void Add(std::unique_ptr<TSPI> spi);
    void Insert(int index, std::unique_ptr<TSPI> spi);
    void Delete(int index);
    void Clear();
    int Count() const { return static_cast<int>(list_.size()); }
    TSPI& operator[](int index) const;

    // Appends to list every plug-in for which isOfClass holds: those whose filter
    // extension equals the file name's go to the front (the last added first), the others
    // to the end in manager order.
    void FindPlugIns(const std::function<bool(const TSPI&)>& isOfClass, std::vector<TSPI*>& list,
                     const std::string& fileName) const;
    template <class... Classes>
    void FindPlugIns(std::vector<TSPI*>& list, const std::string& fileName) const {
        FindPlugIns([](const TSPI& spi) { return (dynamic_cast<const Classes*>(&spi) || ...); },
                    list, fileName);
    }

    const TSPIPlaces& Places() const { return places_; }

private:
    std::vector<std::string> SearchFolders() const;
    void RegisterFormats(TInSPI& spi);

    TSPIPlaces places_;
    std::vector<std::unique_ptr<TSPI>> list_;
};

// The single manager, or nullptr when none exists.
TSPIs* GetSPIs();

// The Susie viewer's plug-in folder: key "Path" of section "[Plug-in]" in the given
// settings file. Empty when the file, the section or the key is missing or unreadable.
std::string SusieFolder(const std::string& susieIniPath);
// $XDG_CONFIG_HOME/Mirotane/Susie.ini (default ~/.config/Mirotane/Susie.ini).
std::string DefaultSusieIniPath();

// The start-up search: the places follow the "SusieLoc" setting (0 none, 1 the program
// folder, 2 the Susie folder and the program folder, anything else the manager's own
// choice), then every "*.spi" of them is loaded.
void ApplySusieLoc(TSPIs& spis, int susieLoc);
void SearchPlugInsAtStart(TSPIs& spis, int susieLoc);

} // namespace folivex
