// The plug-in host: which files become which plug-ins, where they are searched, the order
// they are offered in, and the formats they register.
#include "LoadingTestUtil.h"
#include "loading/SPIs.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace folivex {
namespace {

using test::CopySpis;
using test::SpiPath;
using test::TempDir;

std::vector<std::string> BaseNames(const TSPIs& spis) {
    std::vector<std::string> names;
    for (int i = 0; i < spis.Count(); ++i)
        names.push_back(std::filesystem::path(spis[i].FileName()).stem().string());
    return names;
}

TEST(CreateSPI, ChoosesTheClassByApiVersion) {
    TempDir dir;
    test::WriteFile(dir / "text.spi", {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    struct Case {
        std::string path;
        const char* type; // nullptr: not a plug-in
    } cases[] = {
        {SpiPath("tny"), typeid(TInSPI).name()},
        {SpiPath("lowerin"), typeid(TSPI).name()}, // "00in" is not "00IN"
        {SpiPath("xn"), typeid(TXnSPI).name()},
        {SpiPath("am"), typeid(TAmSPI).name()},
        {SpiPath("noinfo"), nullptr},
        {dir / "text.spi", nullptr},
        {dir / "missing.spi", nullptr},
    };
    for (const auto& c : cases) {
        auto spi = CreateSPI(c.path);
        if (!c.type) {
            EXPECT_EQ(spi, nullptr) << c.path;
            continue;
        }
        ASSERT_NE(spi, nullptr) << c.path;
        EXPECT_STREQ(typeid(*spi).name(), c.type) << c.path;
    }
}

TEST(CreateSPI, ReadsInformationUntilAPairIsIncomplete) {
    auto low = CreateSPI(SpiPath("lowerin"));
    ASSERT_NE(low, nullptr);
    EXPECT_EQ(low->APIVersion(), "00in");
    EXPECT_EQ(low->PluginInfo(), "test plug-in");
    EXPECT_EQ(low->Filters(), std::vector<std::string>{"*.low"}); // 4 without 5 is dropped
    EXPECT_EQ(low->FilterNames(), std::vector<std::string>{"Low picture"});
    EXPECT_EQ(low->FileName(), SpiPath("lowerin"));
}

TEST(TSPI, OpenFailuresCarryTheirMessages) {
    TempDir dir;
    try {
        TSPI spi(dir / "gone.spi");
        FAIL();
    } catch (const ESPIFOpenErrorSPI& e) {
        EXPECT_EQ(std::string(e.what()),
                  dir / "gone.spi" + ":Susie Pluginがロードできませんでした");
    }
    try {
        TSPI spi(SpiPath("noinfo"));
        FAIL();
    } catch (const ESPIInvalidSPI& e) {
        EXPECT_EQ(std::string(e.what()), SpiPath("noinfo") + ":認識できないSusie Pluginです");
    }
}

TEST(ExtractFileExt, TakesTheTextFromTheLastPeriod) {
    EXPECT_EQ(ExtractFileExt("a/b.mag"), ".mag");
    EXPECT_EQ(ExtractFileExt("*.mag;*.mki"), ".mki");
    EXPECT_EQ(ExtractFileExt("dir.d/name"), "");
    EXPECT_EQ(ExtractFileExt("name"), "");
    EXPECT_EQ(ExtractFileExt("x.tar.GZ"), ".GZ");
}

class SpisTest : public ::testing::Test {
protected:
    TempDir app, susie, config;
    std::unique_ptr<TSPIs> spis;
    PictureRegistry registry;

    void SetUp() override { spis = MakeManager(); }
    std::unique_ptr<TSPIs> MakeManager() {
        auto m = std::make_unique<TSPIs>(TSPIPlaces{app.path(), config / "Susie.ini"});
        m->Registry = &registry;
        return m;
    }
    void PointSusieAt(const std::string& text) {
        test::WriteFile(config / "Susie.ini", {text.begin(), text.end()});
    }
};

TEST_F(SpisTest, SearchSkipsWhatIsNoPlugInAndLoadsTheRest) {
    CopySpis(app.path(), {"tny", "noinfo", "lowerin"});
    test::WriteFile(app / "text.spi", {'x'});
    test::WriteFile(app / "tny.txt", {'x'});
    std::vector<std::string> offered;
    spis->OnSearch = [&](TSPIs&, TSPI& spi, bool&) { offered.push_back(spi.APIVersion()); };
    spis->SearchOptions = {TSPISearchOption::spsAppDir};
    spis->Search("*.SPI"); // patterns ignore letter case
    EXPECT_EQ(BaseNames(*spis), (std::vector<std::string>{"lowerin", "tny"}));
    EXPECT_EQ(offered, (std::vector<std::string>{"00in", "00IN"}));
}

TEST_F(SpisTest, OnSearchMayRejectOrFailWithoutStoppingTheSearch) {
    CopySpis(app.path(), {"am", "lowerin", "tny"});
    spis->OnSearch = [](TSPIs&, TSPI& spi, bool& accept) {
        if (spi.APIVersion() == "00AM")
            accept = false;
        if (spi.APIVersion() == "00in")
            throw Error("refused");
    };
    spis->OnPictureRegister = [](TSPIs&, TInSPI&, const std::string&, const std::string&,
                                 PictureDecoder&, std::size_t) { throw Error("no formats"); };
    spis->SearchOptions = {TSPISearchOption::spsAppDir};
    spis->Search("*.spi");
    EXPECT_EQ(spis->Count(), 0); // tny was added, then failed to register: discarded too
}

TEST_F(SpisTest, SearchPlacesFollowTheOptions) {
    CopySpis(susie.path(), {"tny"});
    CopySpis(app.path(), {"pic"});
    PointSusieAt("; Susie\r\n[Other]\r\nPath=/nowhere\r\n[plug-IN]\r\npath = " + susie.path() +
                 "\r\n");
    struct Case {
        int susieLoc;
        std::vector<std::string> loaded;
    } cases[] = {{0, {}}, {1, {"pic"}}, {2, {"tny", "pic"}}, {9, {"tny", "pic"}}};
    for (const auto& c : cases) {
        spis.reset();
        spis = MakeManager();
        SearchPlugInsAtStart(*spis, c.susieLoc);
        EXPECT_EQ(BaseNames(*spis), c.loaded) << "SusieLoc " << c.susieLoc;
    }
}

TEST_F(SpisTest, SusieFolderWithoutPathValueIsNotSearched) {
    CopySpis(app.path(), {"pic"});
    PointSusieAt("[Plug-in]\nOther=1\n");
    spis->Search("*.spi");
    EXPECT_EQ(BaseNames(*spis), std::vector<std::string>{"pic"});
    EXPECT_EQ(SusieFolder(config / "absent.ini"), "");
}

TEST_F(SpisTest, MaskWithFolderSearchesOnlyThatFolder) {
    CopySpis(susie.path(), {"tny", "pic"});
    CopySpis(app.path(), {"mag"});
    spis->Search(susie.path() + "p*.spi");
    EXPECT_EQ(BaseNames(*spis), std::vector<std::string>{"pic"});
}

TEST_F(SpisTest, OnlyOneManagerAtATime) {
    EXPECT_EQ(GetSPIs(), spis.get());
    try {
        TSPIs second(TSPIPlaces{});
        FAIL();
    } catch (const ESPIDupCreateSPIs& e) {
        EXPECT_STREQ(e.what(), "TSPIs は複数生成できません");
    }
    EXPECT_EQ(GetSPIs(), spis.get());
    spis.reset();
    EXPECT_EQ(GetSPIs(), nullptr);
}

TEST_F(SpisTest, FindPlugInsPutsMatchesFirstLastAddedFirst) {
    for (const char* name : {"pic", "mag", "magcaps", "xn"})
        spis->Add(CreateSPI(SpiPath(name)));
    auto names = [](const std::vector<TSPI*>& list) {
        std::vector<std::string> out;
        for (auto* spi : list)
            out.push_back(std::filesystem::path(spi->FileName()).stem().string());
        return out;
    };
    std::vector<TSPI*> list;
    spis->FindPlugIns<TInSPI>(list, "/x/picture.MAG");
    EXPECT_EQ(names(list), (std::vector<std::string>{"magcaps", "mag", "pic"}));
    list.clear();
    spis->FindPlugIns<TInSPI>(list, "/x/picture");
    EXPECT_EQ(names(list), (std::vector<std::string>{"pic", "mag", "magcaps"}));
    list.clear();
    spis->FindPlugIns<TInSPI, TXnSPI>(list, "a.xnx");
    EXPECT_EQ(names(list), (std::vector<std::string>{"xn", "pic", "mag", "magcaps"}));
}

TEST_F(SpisTest, EachFormatIsAnnouncedAndRegistered) {
    std::vector<std::string> seen;
    spis->OnPictureRegister = [&](TSPIs&, TInSPI&, const std::string& ext,
                                  const std::string& description, PictureDecoder& graphicClass,
                                  std::size_t index) {
        seen.push_back(ext + "/" + description + "/" + std::to_string(index));
        if (ext == "mki")
            graphicClass = nullptr;
    };
    spis->Add(CreateSPI(SpiPath("twoformats")));
    spis->Add(CreateSPI(SpiPath("xn"))); // not a picture decoder: nothing announced
    EXPECT_EQ(seen, (std::vector<std::string>{"mag/MAG picture/0", "mki/MKI picture/1"}));
    ASSERT_NE(registry.Find("MAG"), nullptr);
    EXPECT_EQ(registry.Find("MAG")->description, "MAG picture");
    EXPECT_TRUE(registry.Find("MAG")->decoder);
    EXPECT_EQ(registry.Find("mki"), nullptr);
}

TEST_F(SpisTest, ListOperations) {
    spis->Add(CreateSPI(SpiPath("pic")));
    spis->Insert(0, CreateSPI(SpiPath("mag")));
    EXPECT_EQ(BaseNames(*spis), (std::vector<std::string>{"mag", "pic"}));
    EXPECT_THROW(spis->Insert(3, CreateSPI(SpiPath("tny"))), Error);
    EXPECT_THROW(spis->Delete(2), Error);
    spis->Delete(0);
    EXPECT_EQ(BaseNames(*spis), std::vector<std::string>{"pic"});
    spis->Clear();
    EXPECT_EQ(spis->Count(), 0);
}

} // namespace
} // namespace folivex
