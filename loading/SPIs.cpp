#include "loading/SPIs.h"

#include "core/TextCodec.h"
#include "loading/SPIBitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fnmatch.h>
#include <fstream>
#include <link.h>

namespace folivex {

namespace {

TSPIs* g_instance = nullptr;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

std::string ModuleFileName(void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
        return map->l_name;
    return {};
}

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

// Plug-in texts are CP932; the ASCII ones (all API versions) pass through unchanged.
std::string PluginText(const char* buf, std::size_t len) {
    return Cp932ToUtf8(std::string_view(buf, len));
}

} // namespace

bool SameTextNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

std::string UpperCaseAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = char(c - ('a' - 'A'));
    }
    return out;
}

std::string ExtractFileExt(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos)
        return {};
    return std::string(name.substr(dot));
}

// ---- TSPI ----

TSPI::TSPI(const std::string& fileName) {
    handle_ = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_)
        throw ESPIFOpenErrorSPI(FormatMessage(msg::kSPILoadFailed, fileName));
    try {
        fileName_ = ModuleFileName(handle_);
        if (fileName_.empty())
            fileName_ = fileName;
        getPluginInfo_ = reinterpret_cast<SusieGetPluginInfoFunc>(EntryPoint("GetPluginInfo"));
        if (!getPluginInfo_)
            throw ESPIInvalidSPI(FormatMessage(msg::kSPIInvalid, fileName_));
        ReadInformation();
    } catch (...) {
        dlclose(handle_); // the destructor does not run for a failed constructor
        throw;
    }
}

TSPI::~TSPI() {
    dlclose(handle_);
}

void* TSPI::EntryPoint(const char* name) const {
    return dlsym(handle_, name);
}

void TSPI::ThrowInvalidAPI(const char* entryPoint) const {
    throw ESPIInvalidAPI(FormatMessage(FormatMessage(msg::kSPIInvalidAPI, entryPoint), fileName_));
}

int32_t TSPI::GetPluginInfo(int32_t infoNo, char* buf, int32_t bufLen) {
    if (!getPluginInfo_)
        ThrowInvalidAPI("GetPluginInfo");
    return getPluginInfo_(infoNo, buf, bufLen);
}

bool TSPI::ReadInfoText(int32_t infoNo, std::string& text) {
    // One spare zero byte beyond the 256 the plug-in may fill, so the text always ends.
    char buf[257] = {};
    if (GetPluginInfo(infoNo, buf, 255) <= 0)
        return false;
    text = PluginText(buf, strnlen(buf, 256));
    return true;
}

void TSPI::ReadInformation() {
    ReadInfoText(0, apiVersion_);
    ReadInfoText(1, pluginInfo_);
    for (int n = 2; n < 2 + 2 * kMaxFormats; n += 2) {
        std::string filter, name;
        if (!ReadInfoText(n, filter) || !ReadInfoText(n + 1, name))
            break;
        filters_.push_back(std::move(filter));
        filterNames_.push_back(std::move(name));
    }
}

// ---- TInSPI ----

TInSPI::TInSPI(const std::string& fileName) : TSPI(fileName) {
    isSupported_ = reinterpret_cast<SusieIsSupportedFunc>(EntryPoint("IsSupported"));
    getPictureInfo_ = reinterpret_cast<SusieGetPictureInfoFunc>(EntryPoint("GetPictureInfo"));
    getPicture_ = reinterpret_cast<SusieGetPictureFunc>(EntryPoint("GetPicture"));
    if (!isSupported_ || !getPictureInfo_ || !getPicture_)
        throw ESPIInvalidSPI(FormatMessage(msg::kSPIInvalid, FileName()));
}

int32_t TInSPI::IsSupported(const char* fileName, void* data) {
    if (!isSupported_)
        ThrowInvalidAPI("IsSupported");
    return isSupported_(fileName, data);
}

int32_t TInSPI::GetPictureInfo(const char* buf, intptr_t len, uint32_t flag,
                               SusiePictureInfo* info) {
    if (!getPictureInfo_)
        ThrowInvalidAPI("GetPictureInfo");
    return getPictureInfo_(buf, len, flag, info);
}

int32_t TInSPI::GetPicture(const char* buf, intptr_t len, uint32_t flag, HLOCAL* hbInfo,
                           HLOCAL* hbm, SusieProgressCallback progress, intptr_t data) {
    if (!getPicture_)
        ThrowInvalidAPI("GetPicture");
    return getPicture_(buf, len, flag, hbInfo, hbm, progress, data);
}

// ---- CreateSPI ----

std::unique_ptr<TSPI> CreateSPI(const std::string& fileName) {
    try {
        std::string version = TSPI(fileName).APIVersion();
        if (version == "00IN")
            return std::make_unique<TInSPI>(fileName);
        if (version == "00AM")
            return std::make_unique<TAmSPI>(fileName);
        if (version == "00XN")
            return std::make_unique<TXnSPI>(fileName);
        return std::make_unique<TSPI>(fileName);
    } catch (const ESPIInvalidSPI&) {
        return nullptr;
    } catch (const ESPIFOpenErrorSPI&) {
        return nullptr;
    }
}

// ---- TSPIs ----

TSPIs::TSPIs(TSPIPlaces places) : places_(std::move(places)) {
    if (g_instance)
        throw ESPIDupCreateSPIs(std::string(msg::kSPIsDuplicate));
    g_instance = this;
}

TSPIs::~TSPIs() {
    if (g_instance == this)
        g_instance = nullptr;
    Clear();
}

TSPIs* GetSPIs() {
    return g_instance;
}

PictureDecoder& TSPIs::DefaultGraphicClass() {
    static PictureDecoder graphicClass = DecodeWithSPIBitmap;
    return graphicClass;
}

void TSPIs::Loaded() {
    if (AutoSearch)
        Search("*.spi");
}

std::vector<std::string> TSPIs::SearchFolders() const {
    using enum TSPISearchOption;
    std::vector<std::string> folders;
    auto wanted = [&](TSPISearchOption o) { return SearchOptions.count(o) > 0; };
    if (wanted(spsSusieDir)) {
        std::string susie = SusieFolder(places_.susieIniPath);
        if (!susie.empty())
            folders.push_back(susie);
    }
    if (wanted(spsAppDir) && !places_.appDir.empty())
        folders.push_back(places_.appDir);
    if (wanted(spsCurrentDir)) {
        std::error_code ec;
        std::string current = places_.currentDir.empty()
                                  ? std::filesystem::current_path(ec).string()
                                  : places_.currentDir;
        if (!ec && !current.empty())
            folders.push_back(current);
    }
    if (wanted(spsSystemDir) && !places_.systemDir.empty())
        folders.push_back(places_.systemDir);
    if (wanted(spsWindowsDir) && !places_.windowsDir.empty())
        folders.push_back(places_.windowsDir);
    return folders;
}

void TSPIs::Search(const std::string& mask) {
    auto slash = mask.rfind('/');
    if (slash != std::string::npos) {
        SearchFolder(mask.substr(0, slash + 1), mask.substr(slash + 1));
        return;
    }
    for (const auto& folder : SearchFolders())
        SearchFolder(folder, mask);
}

void TSPIs::SearchFolder(const std::string& folder, const std::string& pattern) {
    namespace fs = std::filesystem;
    std::string base = WithSlash(folder);
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (name.empty() || name.front() == '.' || !it->is_regular_file(typeError))
            continue;
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0)
            names.push_back(base + name);
    }
    // The directory's own order differs between copies of one folder; a sorted order
    // makes the plug-in that decodes first the same on every machine.
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        auto spi = CreateSPI(name);
        if (!spi)
            continue;
        TSPI* raw = spi.get();
        try {
            bool accept = true;
            if (OnSearch)
                OnSearch(*this, *spi, accept);
            if (accept)
                Add(std::move(spi));
        } catch (const std::exception&) {
            // An offered plug-in that fails on the way in is left out without a word;
            // the rest of the folder still loads.
            auto it = std::find_if(list_.begin(), list_.end(),
                                   [raw](const auto& p) { return p.get() == raw; });
            if (it != list_.end())
                list_.erase(it);
        }
    }
}

void TSPIs::Add(std::unique_ptr<TSPI> spi) {
    Insert(Count(), std::move(spi));
}

void TSPIs::Insert(int index, std::unique_ptr<TSPI> spi) {
    if (index < 0 || index > Count())
        throw Error(FormatMessage(msg::kIndexOutOfRange, index));
    TSPI* raw = spi.get();
    list_.insert(list_.begin() + index, std::move(spi));
    if (auto* in = dynamic_cast<TInSPI*>(raw))
        RegisterFormats(*in);
}

void TSPIs::RegisterFormats(TInSPI& spi) {
    for (std::size_t i = 0; i < spi.Filters().size(); ++i) {
        PictureDecoder graphicClass = DefaultGraphicClass();
        std::string extension = ExtractFileExt(spi.Filters()[i]);
        if (!extension.empty())
            extension = extension.substr(1, 255);
        const std::string& description = spi.FilterNames()[i];
        if (OnPictureRegister)
            OnPictureRegister(*this, spi, extension, description, graphicClass, i);
        if (graphicClass && Registry)
            Registry->Register(extension, description, std::move(graphicClass));
    }
}

void TSPIs::Delete(int index) {
    if (index < 0 || index >= Count())
        throw Error(FormatMessage(msg::kIndexOutOfRange, index));
    list_.erase(list_.begin() + index);
}

void TSPIs::Clear() {
    while (!list_.empty())
        list_.erase(list_.begin());
}

TSPI& TSPIs::operator[](int index) const {
    if (index < 0 || index >= Count())
        throw Error(FormatMessage(msg::kIndexOutOfRange, index));
    return *list_[std::size_t(index)];
}

void TSPIs::FindPlugIns(const std::function<bool(const TSPI&)>& isOfClass, std::vector<TSPI*>& list,
                        const std::string& fileName) const {
    std::string ext = ExtractFileExt(fileName);
    for (const auto& spi : list_) {
        if (!isOfClass(*spi))
            continue;
        bool matches =
            !ext.empty() && std::any_of(spi->Filters().begin(), spi->Filters().end(),
                                        [&](const std::string& filter) {
                                            return SameTextNoCase(ExtractFileExt(filter), ext);
                                        });
        if (matches)
            list.insert(list.begin(), spi.get());
        else
            list.push_back(spi.get());
    }
}

// ---- the Susie viewer's folder ----

std::string SusieFolder(const std::string& susieIniPath) {
    std::ifstream in(susieIniPath, std::ios::binary);
    if (!in)
        return {};
    auto trim = [](std::string_view s) {
        auto b = s.find_first_not_of(" \t\r");
        if (b == std::string_view::npos)
            return std::string_view{};
        return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
    };
    bool inSection = false;
    std::string line;
    for (bool first = true; std::getline(in, line); first = false) {
        std::string_view text = line;
        if (first && text.starts_with(kUtf8Bom))
            text.remove_prefix(kUtf8Bom.size());
        text = trim(text);
        if (text.starts_with('[')) {
            auto close = text.find(']');
            inSection = close != std::string_view::npos &&
                        SameTextNoCase(trim(text.substr(1, close - 1)), "Plug-in");
            continue;
        }
        auto eq = text.find('=');
        if (inSection && eq != std::string_view::npos &&
            SameTextNoCase(trim(text.substr(0, eq)), "Path"))
            return std::string(trim(text.substr(eq + 1)));
    }
    return {};
}

std::string DefaultSusieIniPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config)
        base = config;
    else if (const char* home = std::getenv("HOME"))
        base = std::string(home) + "/.config";
    return WithSlash(base) + "Mirotane/Susie.ini";
}

// ---- start-up ----

void ApplySusieLoc(TSPIs& spis, int susieLoc) {
    using enum TSPISearchOption;
    switch (susieLoc) {
    case 0:
        spis.SearchOptions = {};
        break;
    case 1:
        spis.SearchOptions = {spsAppDir};
        break;
    case 2:
        spis.SearchOptions = {spsSusieDir, spsAppDir};
        break;
    default:
        break; // the manager's own choice, which is also the Susie and program folders
    }
}

void SearchPlugInsAtStart(TSPIs& spis, int susieLoc) {
    ApplySusieLoc(spis, susieLoc);
    spis.Search("*.spi");
}

} // namespace folivex
