// A picture that its plug-in cannot read, in the middle of an album: its spread reports
// the reader's error each time it is turned to, and every other spread, before and after
// it, still draws through the same plug-in worker.
#include "BookWindow.h"
#include "RenderTestSupport.h"

#include "loading/PagePictures.h"
#include "loading/PictureLoader.h"
#include "loading/SPIBitmap.h"
#include "loading/SPIs.h"
#include "view/BookView.h"
#include "view/Navigator.h"

#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>

namespace folivex {
namespace {

using namespace folivex::testing;

std::set<std::string> Shown(const AlbumState& state) {
    std::set<std::string> shown(state.slotFiles.begin(), state.slotFiles.end());
    shown.erase("");
    return shown;
}

class PlugInFailure : public ::testing::Test, protected BookWindow {
protected:
    void SetUp() override {
        spis = std::make_unique<TSPIs>(TSPIPlaces{FOLIVEX_BIN_DIR "/", ""});
        spis->SearchOptions = {TSPISearchOption::spsAppDir};
        spis->Search("*.spi");
        folder = dir.path().toStdString() + "/";
        WriteAlbum();
        scroll->setMaximum(pictures.RowCount() - 1);
        state.pictureFolder = folder;
        state.page.openMode = 0; // left-opening: the right page turns forward
        source = std::make_unique<PagePictures>();
        view = std::make_unique<BookView>(state, pictures, Widgets(), *source);
        NavigatorServices services;
        services.wait = [](int) {};
        nav = std::make_unique<Navigator>(state, pictures, *view, left, right, scroll, services);
    }
    void TearDown() override {
        nav.reset();
        view.reset();
        source.reset();
    }

    // Six PNG pictures, the third cut off after its header: the PNG plug-in accepts it by
    // its signature, then fails on the data.
    void WriteAlbum() {
        for (int i = 1; i <= 6; ++i) {
            const std::string name = std::to_string(i) + ".png";
            QImage image(160, 120, QImage::Format_RGB32);
            image.fill(QColor(40 * i, 200 - 20 * i, 90));
            ASSERT_TRUE(image.save(QString::fromStdString(folder + name), "PNG"));
            if (i == 1)
                pictures.MutableAt(1) = {name, "", ""};
            else
                pictures.Append({name, "", ""});
        }
        std::ifstream in(folder + "3.png", std::ios::binary);
        std::string head(60, '\0');
        in.read(head.data(), std::streamsize(head.size()));
        in.close();
        std::ofstream(folder + "3.png", std::ios::binary | std::ios::trunc) << head;
    }
    std::string ReaderError() {
        TSPIBitmap bitmap;
        try {
            LoadPicture24(folder + "3.png", bitmap);
        } catch (const Error& e) {
            return e.what();
        }
        return "";
    }
    void ExpectTurnFails(PageSide side) {
        try {
            nav->imgPageClick(side);
            ADD_FAILURE() << "the damaged picture's spread drew";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()), ReaderError());
        }
    }

    QTemporaryDir dir;
    std::string folder;
    std::unique_ptr<TSPIs> spis;
    AlbumState state;
    PictureList pictures;
    std::unique_ptr<PagePictures> source;
    std::unique_ptr<BookView> view;
    std::unique_ptr<Navigator> nav;
};

TEST_F(PlugInFailure, TheRestOfTheAlbumStaysViewable) {
    ASSERT_FALSE(ReaderError().empty()) << "the cut-off picture decodes";
    nav->OpenAtRow(1);
    EXPECT_EQ(Shown(state), (std::set<std::string>{"1.png", "2.png"}));

    ExpectTurnFails(PageSide::Right); // to rows 3 and 4, prepared ahead and failed there
    EXPECT_EQ(state.page.currentPage, 3);
    EXPECT_EQ(Shown(state), (std::set<std::string>{"1.png", "2.png"})); // what was shown

    nav->imgPageClick(PageSide::Right); // on to rows 5 and 6
    EXPECT_EQ(Shown(state), (std::set<std::string>{"5.png", "6.png"}));

    ExpectTurnFails(PageSide::Left); // back again: reported again, not remembered as drawn
    nav->imgPageClick(PageSide::Left);
    EXPECT_EQ(Shown(state), (std::set<std::string>{"1.png", "2.png"}));
    nav->JumpToPage(5);
    EXPECT_EQ(Shown(state), (std::set<std::string>{"5.png", "6.png"}));
}

} // namespace
} // namespace folivex
