// Jumps and the spreads prepared ahead: a jump drops what waits to be prepared and draws
// its own spread at once, even while every worker is still busy preparing another.
#include "BookWindow.h"
#include "RenderTestSupport.h"

#include "loading/JpegDecoder.h"
#include "loading/PagePictures.h"
#include "view/BookView.h"
#include "view/Navigator.h"

#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <set>

namespace folivex {
namespace {

using namespace folivex::testing;
using namespace std::chrono_literals;

// Holds the decoding of the named files until released (at most ten seconds, so that a
// fault shows as a failure rather than a hang).
struct Hold {
    std::mutex m;
    std::condition_variable cv;
    std::set<std::string> held;
    bool released = false;
    int waiting = 0;
    void Enter(const std::string& path) {
        std::unique_lock lock(m);
        if (!held.count(path))
            return;
        ++waiting;
        cv.notify_all();
        cv.wait_for(lock, 10s, [&] { return released; });
    }
    bool WaitForWaiting(int n) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 10s, [&] { return waiting >= n; });
    }
    void Release() {
        const std::lock_guard lock(m);
        released = true;
        cv.notify_all();
    }
};

class NavigatorPrefetch : public ::testing::Test, protected BookWindow {
protected:
    void SetUp() override {
        state.pictureFolder = dir.path().toStdString() + "/";
        state.page.splitMode = 1;
        const auto jpeg = EncodeJpeg(SolidPicture(320, 240, qRgb(200, 30, 30)), 90);
        for (int i = 1; i <= 12; ++i) {
            const std::string name = std::to_string(i) + ".jpg";
            std::ofstream(state.pictureFolder + name, std::ios::binary)
                .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
            if (i == 1)
                pictures.MutableAt(1) = {name, "", ""};
            else
                pictures.Append({name, "", ""});
            if (i >= 5 && i <= 8)
                hold.held.insert(state.pictureFolder + name);
        }
        scroll->setMaximum(pictures.RowCount() - 1);
        PagePicturesOptions options;
        options.workers = 2;
        options.beforeDecode = [this](const std::string& path) { hold.Enter(path); };
        source = std::make_unique<PagePictures>(options);
        view = std::make_unique<BookView>(state, pictures, Widgets(), *source);
        NavigatorServices services;
        services.wait = [](int) {};
        nav = std::make_unique<Navigator>(state, pictures, *view, left, right, scroll, services);
    }
    void TearDown() override {
        hold.Release();
        nav.reset();
        view.reset();
        source.reset();
    }

    QTemporaryDir dir;
    Hold hold;
    AlbumState state;
    PictureList pictures;
    std::unique_ptr<PagePictures> source;
    std::unique_ptr<BookView> view;
    std::unique_ptr<Navigator> nav;
};

TEST_F(NavigatorPrefetch, AJumpDropsThePreparationAndDrawsItsOwnSpreadAtOnce) {
    nav->OpenAtRow(1);                   // rows 1-4 drawn, rows 5-8 prepared ahead
    ASSERT_TRUE(hold.WaitForWaiting(2)); // both workers busy with rows 5 and 6
    EXPECT_EQ(std::set<std::string>(state.slotFiles.begin(), state.slotFiles.end()),
              (std::set<std::string>{"1.jpg", "2.jpg", "3.jpg", "4.jpg"}));

    const auto start = std::chrono::steady_clock::now();
    nav->JumpToPage(9);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
    EXPECT_EQ(state.page.currentPage, 9);
    EXPECT_GE(source->Stats().cancelled, 2); // rows 7 and 8 never started
    std::set<std::string> shown(state.slotFiles.begin(), state.slotFiles.end());
    EXPECT_EQ(shown, (std::set<std::string>{"9.jpg", "10.jpg", "11.jpg", "12.jpg"}));
}

TEST_F(NavigatorPrefetch, TheScrollBarAlsoDropsThePreparation) {
    nav->OpenAtRow(1);
    ASSERT_TRUE(hold.WaitForWaiting(2));
    const int before = source->Stats().cancelled;
    PageModel at9 = state.page;
    at9.currentPage = 9;
    scroll->setValue(at9.ScrollPosition(pictures.RowCount()));
    nav->scbStatusChange();
    EXPECT_EQ(state.page.currentPage, 9);
    EXPECT_GE(source->Stats().cancelled, before + 2);
}

} // namespace
} // namespace folivex
