// The picture pipeline: the JPEG decoding scale chosen for a slot, the slot cache and
// its invalidation, preparation ahead and its cancellation, failures held back until
// their spread is drawn, who decodes what, and how close a reduced decode draws to a
// full one.
#include "loading/PagePictures.h"
#include "JpegEncode.h"
#include "LoadingTestUtil.h"
#include "loading/JpegDecoder.h"
#include "loading/PictureFile.h"
#include "loading/ZoomOut.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <set>
#include <thread>

namespace folivex {
namespace {

using namespace std::chrono_literals;

// Smooth colour with grain, as a photograph has: enough entropy that a coarser DCT scale
// really changes values.
Bitmap24 PhotoLike(int width, int height, unsigned seed) {
    Bitmap24 b(width, height);
    std::mt19937 rng(seed);
    std::normal_distribution<double> grain(0, 6);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = b.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const double wave = 40 * std::sin(x / 37.0) * std::cos(y / 23.0);
            const double base[3] = {60 + 120.0 * x / width, 90 + wave, 200 - 150.0 * y / height};
            for (int c = 0; c < 3; ++c)
                p[c] = std::uint8_t(std::clamp(base[c] + grain(rng), 0.0, 255.0));
        }
    }
    return b;
}

void WriteJpeg(const std::string& path, const Bitmap24& picture) {
    test::WriteFile(path, test::EncodeJpeg(picture, 90));
}

TEST(ChooseJpegDenominator, SmallestScaleThatStillFillsTheBox) {
    struct Case {
        int width, height, orientation;
        PictureSize target;
        unsigned expected;
    } cases[] = {
        {6000, 4000, 1, {397, 264}, 8},   // a 4-split slot: 750 x 500 is enough
        {6000, 4000, 1, {750, 500}, 8},   // exactly one eighth
        {6000, 4000, 1, {751, 500}, 4},   // one pixel wider than an eighth
        {6000, 4000, 1, {750, 501}, 4},   // ... or taller
        {6001, 4001, 1, {751, 501}, 8},   // libjpeg rounds the scaled size up
        {6000, 4000, 1, {1500, 1000}, 4}, //
        {6000, 4000, 1, {1501, 1000}, 2}, //
        {6000, 4000, 1, {3001, 2000}, 1}, // more than half: full size
        {6000, 4000, 1, {6000, 4000}, 1}, // a picture that fits unscaled
        {6000, 4000, 1, {0, 0}, 8},       // nothing to fill
        {100, 80, 1, {100, 80}, 1},       // small pictures stay whole
        // Turned a quarter: the stored width becomes the upright height.
        {6000, 4000, 6, {500, 750}, 8},
        {6000, 4000, 6, {750, 500}, 4},
        {6000, 4000, 8, {501, 750}, 4},
        {6000, 4000, 3, {750, 500}, 8}, // upside down keeps the sides
        {6000, 4000, 9, {750, 500}, 8}, // out of range: as stored
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseJpegDenominator(c.width, c.height, c.orientation, c.target), c.expected)
            << c.width << "x" << c.height << " o" << c.orientation << " into " << c.target.width
            << "x" << c.target.height;
}

KeptPicture Sized(int bytes) {
    return {std::make_shared<const Bitmap24>(bytes / 3, 1), bytes / 3, 1};
}

TEST(SlotCache, EvictsTheLeastRecentlyUsedAndRefusesWhatCannotFit) {
    SlotCache cache(3100);
    cache.Put("a", Sized(999));
    cache.Put("b", Sized(999));
    cache.Put("c", Sized(999));
    ASSERT_TRUE(cache.Find("a")); // a is now the most recently used
    cache.Put("d", Sized(999));
    EXPECT_FALSE(cache.Find("b"));
    EXPECT_TRUE(cache.Find("a") && cache.Find("c") && cache.Find("d"));
    EXPECT_LE(cache.Bytes(), cache.Capacity());

    cache.Put("huge", Sized(3300)); // larger than everything: not kept, nothing lost
    EXPECT_FALSE(cache.Find("huge"));
    EXPECT_EQ(cache.Count(), 3u);

    cache.Put("a", Sized(30)); // a replacement frees what the old picture took
    EXPECT_EQ(cache.Find("a")->picture->width, 10);
    EXPECT_EQ(cache.Count(), 3u);
}

class Pipeline : public ::testing::Test {
protected:
    std::string Photo(const std::string& name, int w = 800, int h = 600, unsigned seed = 1) {
        WriteJpeg(dir / name, PhotoLike(w, h, seed));
        return dir / name;
    }
    static SlotRequest Slot(const std::string& path, int w = 100, int h = 140, bool clean = false) {
        return {path, {w, h, false}, clean};
    }

    test::TempDir dir;
};

TEST_F(Pipeline, PicturesComeReducedIntoTheirSlots) {
    PagePictures pictures;
    const std::string a = Photo("a.jpg", 800, 600);
    // Decoded at an eighth (100 x 75), then reduced to 90 x 67.
    const auto ready = pictures.Fetch({Slot(a, 90, 126), Slot(a, 90, 126, true)});
    ASSERT_EQ(ready.size(), 2u);
    for (const SlotPicture& p : ready) {
        EXPECT_EQ(p.fullWidth, 800);
        EXPECT_EQ(p.fullHeight, 600);
        EXPECT_EQ(p.picture->width, 90);
        EXPECT_EQ(p.picture->height, 67);
    }
    // The clean one is averaged, the plain one sampled: they differ somewhere.
    EXPECT_NE(ready[0].picture->pixels, ready[1].picture->pixels);
}

TEST_F(Pipeline, RedrawsComeFromTheCacheAndAChangedFileIsReadAgain) {
    PagePictures pictures;
    const std::string a = Photo("a.jpg", 800, 600, 1);
    const auto first = pictures.Fetch({Slot(a)});
    EXPECT_EQ(pictures.Stats().decodes, 1);
    const auto again = pictures.Fetch({Slot(a)});
    EXPECT_EQ(pictures.Stats().decodes, 1);
    EXPECT_EQ(again[0].picture, first[0].picture); // the very same ready picture

    // Another size (a resize) and the other drawing mode come from the kept decode.
    pictures.Fetch({Slot(a, 90, 126), Slot(a, 100, 140, true)});
    EXPECT_EQ(pictures.Stats().decodes, 1);
    EXPECT_EQ(pictures.Stats().reductions, 2);

    // Rewritten with another picture of another size: decoded afresh.
    Photo("a.jpg", 640, 480, 2);
    std::filesystem::last_write_time(a, std::filesystem::last_write_time(a) + 2s);
    const auto changed = pictures.Fetch({Slot(a)});
    EXPECT_EQ(pictures.Stats().decodes, 2);
    EXPECT_EQ(changed[0].fullWidth, 640);
}

TEST_F(Pipeline, OnlyWhatFitsTheBudgetStaysCached) {
    PagePicturesOptions options;
    options.cacheBytes = 3 * (100 * 75 * 3 + 200); // three slot pictures, no room for decodes
    PagePictures pictures(options);
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i)
        files.push_back(Photo("p" + std::to_string(i) + ".jpg", 800, 600, unsigned(i)));
    for (const std::string& f : files)
        pictures.Fetch({Slot(f)});
    EXPECT_LE(pictures.Cache().Bytes(), options.cacheBytes);
    EXPECT_EQ(pictures.Stats().decodes, 5);
    pictures.Fetch({Slot(files.back())}); // recent: still there
    EXPECT_EQ(pictures.Stats().decodes, 5);
    pictures.Fetch({Slot(files.front())}); // the oldest went first
    EXPECT_EQ(pictures.Stats().decodes, 6);
}

// Holds every decode at its start until released, counting those that started.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    int entered = 0;
    std::set<std::thread::id> threads;
    void Enter() {
        std::unique_lock lock(m);
        ++entered;
        threads.insert(std::this_thread::get_id());
        cv.notify_all();
        cv.wait(lock, [&] { return open; });
    }
    bool WaitEntered(int n) {
        std::unique_lock lock(m);
        return cv.wait_for(lock, 10s, [&] { return entered >= n; });
    }
    void Open() {
        const std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

TEST_F(Pipeline, AJumpCancelsWhatWaitsToBePreparedAhead) {
    Gate gate;
    PagePicturesOptions options;
    options.workers = 2;
    options.beforeDecode = [&gate](const std::string&) { gate.Enter(); };
    PagePictures pictures(options);
    std::vector<SlotRequest> around;
    for (int i = 0; i < 6; ++i)
        around.push_back(Slot(Photo("n" + std::to_string(i) + ".jpg", 160, 120, unsigned(i))));
    pictures.Prefetch(around);
    ASSERT_TRUE(gate.WaitEntered(2)); // both workers busy, four waiting
    pictures.CancelPrefetch();        // what the scroll bar, search and contents do
    EXPECT_EQ(pictures.Stats().cancelled, 4);
    gate.Open();
    pictures.WaitIdle();
    EXPECT_EQ(pictures.Stats().decodes, 2);

    // A cancelled picture is decoded when it is asked for after all.
    pictures.Fetch({around[5]});
    EXPECT_EQ(pictures.Stats().decodes, 3);
}

TEST_F(Pipeline, APreparedSpreadIsDrawnWithoutDecodingOnTheAskingThread) {
    PagePictures pictures;
    const std::vector<SlotRequest> spread = {Slot(Photo("a.jpg")), Slot(Photo("b.jpg"))};
    pictures.Prefetch(spread);
    pictures.WaitIdle();
    EXPECT_EQ(pictures.Stats().decodes, 2);
    bool waited = false;
    pictures.Fetch(spread, [&waited] { waited = true; });
    EXPECT_FALSE(waited); // no busy cursor for a ready spread
    EXPECT_EQ(pictures.Stats().decodes, 2);
    EXPECT_EQ(pictures.Stats().decodesOnOwner, 0);
}

TEST_F(Pipeline, ThePicturesOfOneSpreadDecodeInParallel) {
    Gate gate;
    PagePicturesOptions options;
    options.beforeDecode = [&gate](const std::string&) { gate.Enter(); };
    PagePictures pictures(options);
    const std::vector<SlotRequest> spread = {Slot(Photo("a.jpg")), Slot(Photo("b.jpg"))};
    std::thread opener([&gate] {
        // Both decodes must have started before either may finish.
        EXPECT_TRUE(gate.WaitEntered(2));
        gate.Open();
    });
    bool waited = false;
    pictures.Fetch(spread, [&waited] { waited = true; });
    opener.join();
    EXPECT_TRUE(waited);
    EXPECT_EQ(gate.threads.size(), 2u);
}

std::string JpegErrorOf(const std::string& path) {
    try {
        DecodeJpeg(test::Bytes(std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {}));
    } catch (const Error& e) {
        return e.what();
    }
    return "decoded";
}

TEST_F(Pipeline, APreparedFailureIsReportedOnlyWhenItsSpreadIsDrawn) {
    PagePictures pictures;
    const std::string good = Photo("good.jpg");
    test::Bytes broken = test::EncodeJpeg(PhotoLike(64, 64, 3), 90);
    broken.resize(broken.size() / 2);
    test::WriteFile(dir / "bad.jpg", broken);
    const std::string bad = dir / "bad.jpg";

    EXPECT_NO_THROW(pictures.Prefetch({Slot(good), Slot(bad)}));
    pictures.WaitIdle();
    EXPECT_EQ(pictures.Stats().decodes, 2);
    EXPECT_NO_THROW(pictures.Fetch({Slot(good)})); // another spread: nothing to report

    // Drawn: today's text, from the failure kept by the preparation.
    try {
        pictures.Fetch({Slot(good), Slot(bad)});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), JpegErrorOf(bad));
    }
    EXPECT_EQ(pictures.Stats().decodes, 2);
    // Reported once; drawing it again reads the file again and fails again.
    EXPECT_THROW(pictures.Fetch({Slot(bad)}), Error);
    EXPECT_EQ(pictures.Stats().decodes, 3);
}

TEST_F(Pipeline, PlugInFormatsDecodeOnOneWorkerOfTheirOwn) {
    std::mutex m;
    std::set<std::thread::id> threads;
    PagePicturesOptions options;
    options.beforeDecode = [&](const std::string&) {
        const std::lock_guard lock(m);
        threads.insert(std::this_thread::get_id());
    };
    PagePictures pictures(options);
    for (const char* name : {"a.png", "b.png", "c.gif"}) {
        test::WriteFile(dir / name, test::Bytes(200, 'x'));
        EXPECT_THROW(pictures.Fetch({Slot(dir / name)}), EInvalidGraphic) << name;
    }
    EXPECT_THROW(pictures.LoadFull(dir / "a.png"), EInvalidGraphic);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_FALSE(threads.count(std::this_thread::get_id()));
    EXPECT_EQ(pictures.Stats().decodesOnOwner, 0);
}

TEST_F(Pipeline, ThumbnailsOfJpegFilesComeReducedAndOthersWhole) {
    PagePictures pictures;
    const std::string a = Photo("a.jpg", 800, 600);
    const Bitmap24 thumb = pictures.LoadThumbnail(a, 100);
    EXPECT_EQ(thumb.width, 100); // an eighth still keeps 100 pixels
    EXPECT_EQ(pictures.LoadThumbnail(a, 101).width, 200);
    test::BmpSpec one;
    one.pixels = {1, 2, 3, 0};
    test::WriteFile(dir / "b.bmp", test::MakeBmp(one));
    EXPECT_EQ(pictures.LoadThumbnail(dir / "b.bmp", 1).pixels, (test::Bytes{1, 2, 3}));
    EXPECT_EQ(pictures.Stats().decodes, 0); // nothing of the slot pipeline is touched
}

struct Difference {
    double mean = 0;
    int worst = 0;
};

Difference Compare(const Bitmap24& a, const Bitmap24& b) {
    Difference d;
    long long sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const int diff = std::abs(int(a.pixels[i]) - int(b.pixels[i]));
        sum += diff;
        d.worst = std::max(d.worst, diff);
    }
    d.mean = double(sum) / double(a.pixels.size());
    return d;
}

// The stated tolerance of a clean drawing from a reduced decode against a full decode
// reduced the same way: a mean difference under one level per channel and no channel
// more than eight levels off.
TEST_F(Pipeline, CleanDrawingFromAReducedDecodeStaysCloseToAFullDecode) {
    const Bitmap24 original = PhotoLike(2400, 1600, 7);
    WriteJpeg(dir / "big.jpg", original);
    const Bitmap24 full = DecodeJpeg(test::EncodeJpeg(original, 90));
    struct Case {
        SlotBox box;
        int scale; // the decoding scale these slots allow
    } cases[] = {{{290, 406, false}, 8}, {{397, 264, true}, 4}, {{700, 980, false}, 2}};
    for (const Case& c : cases) {
        PagePictures pictures({0, 0, nullptr}); // nothing kept: each decode fresh
        const auto ready = pictures.Fetch({{dir / "big.jpg", c.box, true}});
        const PictureSize fitted = FitIntoSlot(c.box, 2400, 1600);
        Bitmap24 reference = full;
        ZoomOutBitmap(reference, double(fitted.width) / full.width);
        ASSERT_EQ(ready[0].picture->width, reference.width) << c.scale;
        ASSERT_EQ(ready[0].picture->height, reference.height) << c.scale;
        EXPECT_EQ(ChooseJpegDenominator(2400, 1600, 1, fitted), unsigned(c.scale));
        const Difference d = Compare(*ready[0].picture, reference);
        EXPECT_LT(d.mean, 1.0) << c.scale;
        EXPECT_LE(d.worst, 8) << c.scale;
    }
}

} // namespace
} // namespace folivex
