// Thumbnails, the cache file format and the cache build and load on real folders.
#include "contents/ThumbnailCache.h"
#include "contents/ThumbnailBuildLoop.h"
#include "contents/ThumbnailCacheFile.h"
#include "contents/ThumbnailImage.h"

#include <gtest/gtest.h>

#include "../loading/JpegEncode.h"
#include "contents/PictureRows.h"
#include "contents/TempTree.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

namespace folivex {
namespace {

using test::TempTree;

using test::Solid;

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The red channel at the thumbnail's centre.
int CentreRed(const QImage& image) {
    return qRed(image.pixel(image.width() / 2, image.height() / 2));
}

PictureSource QtSource() {
    return [](const std::string& path) {
        QImage image(QString::fromStdString(path));
        if (image.isNull())
            throw Error("cannot decode " + path);
        return FromQImage(image);
    };
}

// A picture folder with n JPEGs p00.jpg... whose red value is 20 * index, and a cache
// folder beside it.
struct CacheFixture {
    TempTree tree;
    std::string folder;
    std::string cache;
    PictureList list;
    std::vector<QString> statuses;

    explicit CacheFixture(int n) {
        tree.Folder("pics");
        tree.Folder("Cache");
        folder = tree.Path("pics") + "/";
        cache = tree.Path("Cache") + "/";
        for (int i = 0; i < n; ++i) {
            const std::string name = "p" + std::to_string(10 + i) + ".jpg";
            WriteBytes(folder + name, EncodeJpeg(Solid(60, 40, 0, 0, std::uint8_t(20 * i)), 95));
        }
        FillPictureRows(list, ListFolderPictures(folder, {"*.jpg", "*.bmp"}));
    }
    void Build(ThumbnailCache& c, int size = 32) {
        c.Build(list, folder, size, cache, QtSource(),
                [&](const QString& s) { statuses.push_back(s); });
    }
    std::string CacheFile() const { return ThumbnailCacheFileName(cache, folder); }
};

TEST(Thumbnail, LayoutKeepsAspectAndLeavesLastRowAndColumn) {
    const Bitmap24 wide = MakeThumbnail(Solid(40, 20, 0, 0, 0), 32);
    const QImage img = ToQImage(wide);
    // o = Trunc((32 - 16) / 2) = 8: rows 8 .. 22 covered, column 31 and row 23 are not.
    EXPECT_EQ(qRed(img.pixel(5, 7)), 255);
    EXPECT_EQ(qRed(img.pixel(5, 8)), 0);
    EXPECT_EQ(qRed(img.pixel(5, 22)), 0);
    EXPECT_EQ(qRed(img.pixel(5, 23)), 255);
    EXPECT_EQ(qRed(img.pixel(31, 15)), 255);
    const QImage tall = ToQImage(MakeThumbnail(Solid(20, 40, 0, 0, 0), 32));
    EXPECT_EQ(qRed(tall.pixel(7, 5)), 255);
    EXPECT_EQ(qRed(tall.pixel(8, 5)), 0);
    // Extreme shapes and empty pictures still give a full square.
    EXPECT_EQ(MakeThumbnail(Solid(5000, 1, 0, 0, 0), 17).width, 17);
    EXPECT_EQ(MakeThumbnail(Bitmap24(), 16).height, 16);
}

TEST(Thumbnail, ReducedJpegDecodeCoversTheThumbnail) {
    const auto jpeg = EncodeJpeg(Solid(1920, 1280, 0, 0, 200), 90);
    const Bitmap24 small = DecodeJpegReduced(jpeg, 128);
    EXPECT_EQ(small.width, 240); // 1/8 still gives a long side of at least 128
    EXPECT_EQ(DecodeJpegReduced(jpeg, 256).width, 480);
    EXPECT_EQ(DecodeJpegReduced(jpeg, 2000).width, 1920);
    EXPECT_THROW(DecodeJpegReduced(std::span(jpeg).first(jpeg.size() / 2), 32), Error);
    EXPECT_THROW(DecodeJpegReduced({}, 32), Error);
}

TEST(Thumbnail, CompressedSizeKeepsBigCachesSmall) {
    // A photo-like 128-pixel thumbnail: gradients with fine detail. 5,000 of them must
    // stay well under 100 MB, so one must stay well under 20 KB.
    Bitmap24 p(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            std::uint8_t* px = p.row(y) + x * 3;
            px[0] = std::uint8_t(x * 2);
            px[1] = std::uint8_t((x * y) % 251);
            px[2] = std::uint8_t(y * 2 + ((x ^ y) & 15));
        }
    EXPECT_LT(EncodeJpeg(p, 88).size(), 12000u);
}

TEST(CacheFileName, DropsSlashesAndColons) {
    EXPECT_EQ(ThumbnailCacheFileName("/c/", "/home/u:x/Pics/"), "/c/homeuxPics");
    EXPECT_EQ(ThumbnailCacheFileName("/c/", "/ab/c/"), ThumbnailCacheFileName("/c/", "/a/bc/"));
    EXPECT_EQ(ThumbnailCacheFileName("/c", "/"), "/c/%");
    const std::string deep = "/" + std::string(300, 'a') + "/";
    const std::string name = ThumbnailCacheFileName("/c/", deep);
    EXPECT_LE(name.size() - 3, 200u);
    EXPECT_NE(name, ThumbnailCacheFileName("/c/", "/" + std::string(301, 'a') + "/"));
}

TEST(CacheBuild, ProgressForTenPictures) {
    EXPECT_EQ(ThumbnailProgressText(10, 11), QString("●●●●●●●●●○"));
    EXPECT_EQ(ThumbnailProgressText(1, 11), QString("○○○○○○○○○○"));
    EXPECT_EQ(ThumbnailProgressText(11, 11), QString("●●●●●●●●●●"));

    CacheFixture f(10);
    ThumbnailCache cache;
    f.Build(cache);
    ASSERT_EQ(f.statuses.size(), 11u);
    EXPECT_EQ(f.statuses[9], QString("●●●●●●●●●○"));
    EXPECT_EQ(f.statuses[10], QString::fromStdString(f.folder));
}

TEST(CacheBuild, RoundTripThroughTheFile) {
    CacheFixture f(4);
    // A non-JPEG picture goes through the caller's source.
    QImage bmp(30, 30, QImage::Format_RGB888);
    bmp.fill(QColor(250, 0, 0));
    ASSERT_TRUE(bmp.save(QString::fromStdString(f.folder + "z.bmp")));
    FillPictureRows(f.list, ListFolderPictures(f.folder, {"*.jpg", "*.bmp"}));

    ThumbnailCache built;
    f.Build(built, 48);
    ThumbnailCache loaded;
    loaded.Load(f.cache, f.folder);
    ASSERT_EQ(loaded.Count(), 5);
    EXPECT_EQ(loaded.Width(), 48);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(CentreRed(loaded.Image(i)), 20 * i, 6) << i;
    EXPECT_NEAR(CentreRed(loaded.Image(4)), 250, 6);
    EXPECT_TRUE(loaded.Image(5).isNull());

    // A second build replaces, never appends.
    f.Build(built, 48);
    EXPECT_EQ(built.Count(), 5);
    loaded.Load(f.cache, f.folder);
    EXPECT_EQ(loaded.Count(), 5);
}

TEST(CacheBuild, EmptyListCreatesNoFile) {
    CacheFixture f(0);
    ThumbnailCache cache;
    f.Build(cache);
    EXPECT_FALSE(std::filesystem::exists(f.CacheFile()));
    EXPECT_TRUE(std::filesystem::is_empty(f.cache));
    cache.Load(f.cache, f.folder); // no file: empty list, no error
    EXPECT_TRUE(cache.IsEmpty());
}

TEST(CacheBuild, RowsMovedBeforeTheBuildAreStoredInRowOrder) {
    CacheFixture f(3);
    f.list.Move(3, 1); // p12 first
    ThumbnailCache cache;
    f.Build(cache);
    EXPECT_NEAR(CentreRed(cache.Image(0)), 40, 6);
    EXPECT_NEAR(CentreRed(cache.Image(1)), 0, 6);
    EXPECT_EQ(f.list.At(1).number, "3"); // looked up by number: shows another picture
}

TEST(CacheBuild, FailedPictureKeepsPreviousCache) {
    CacheFixture f(3);
    ThumbnailCache cache;
    f.Build(cache);
    const auto before = ReadBytes(f.CacheFile());
    std::filesystem::remove(f.folder + "p11.jpg");
    EXPECT_THROW(f.Build(cache), Error);
    EXPECT_EQ(ReadBytes(f.CacheFile()), before);
    EXPECT_EQ(cache.Count(), 3);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.cache), {}), 1);

    // A broken JPEG is an error too, not a grey thumbnail.
    WriteBytes(f.folder + "p11.jpg", {0xFF, 0xD8, 0xFF});
    EXPECT_THROW(f.Build(cache), Error);
}

TEST(CacheBuild, OtherFormatsAreMadeOffTheBuildingThreadOneAtATime) {
    CacheFixture f(4);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        QImage bmp(30, 30, QImage::Format_RGB888);
        bmp.fill(QColor(250, 0, 0));
        ASSERT_TRUE(bmp.save(QString::fromStdString(f.folder + name)));
    }
    FillPictureRows(f.list, ListFolderPictures(f.folder, {"*.jpg", "*.bmp"}));
    std::mutex mutex;
    std::vector<std::thread::id> callers;
    std::atomic<int> inside{0}, mostInside{0};
    const PictureSource qt = QtSource();
    const PictureSource watched = [&](const std::string& path) {
        mostInside = std::max(mostInside.load(), ++inside);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        {
            const std::lock_guard lock(mutex);
            callers.push_back(std::this_thread::get_id());
        }
        Bitmap24 picture = qt(path);
        --inside;
        return picture;
    };
    ThumbnailCache cache;
    ASSERT_TRUE(cache.Build(f.list, f.folder, 32, f.cache, watched, nullptr));
    ASSERT_EQ(callers.size(), 3u);
    for (std::thread::id caller : callers)
        EXPECT_NE(caller, std::this_thread::get_id());
    EXPECT_EQ(mostInside, 1); // plug-ins need not be safe from two threads at once
    ASSERT_EQ(cache.Count(), 7);
    EXPECT_NEAR(CentreRed(cache.Image(0)), 250, 6); // a.bmp comes first by name
    EXPECT_NEAR(CentreRed(cache.Image(4)), 20, 6);
}

TEST(CacheBuild, ACameraThumbnailMakesTheRowOfItsPicture) {
    CacheFixture f(1);
    // A green photo whose camera thumbnail, of the same shape, is a lighter green.
    const auto photo = EncodeJpeg(Solid(1200, 800, 0, 120, 0), 90);
    const auto thumb = EncodeJpeg(Solid(160, 107, 0, 240, 0), 90);
    WriteBytes(f.folder + "p10.jpg", test::WithExifThumbnail(photo, thumb));
    ThumbnailCache cache;
    f.Build(cache, 128);
    EXPECT_NEAR(qGreen(cache.Image(0).pixel(64, 64)), 240, 6);
    f.Build(cache, 200); // a box the thumbnail cannot fill: the photo itself
    EXPECT_NEAR(qGreen(cache.Image(0).pixel(100, 100)), 120, 6);
}

// A wait that sleeps on the test's own thread and stops after a given number of
// pictures, as Esc does in the program.
class CountingWait : public ThumbnailBuildWait {
public:
    explicit CountingWait(int stopAfter) : stopAfter_(stopAfter) {}
    void Sleep() override {
        while (!woken_.exchange(false))
            std::this_thread::yield();
        ++sleeps;
    }
    void Wake() override { woken_ = true; }
    bool Stopping() override { return ++asked >= stopAfter_; }
    int asked = 0;
    int sleeps = 0;

private:
    int stopAfter_;
    std::atomic<bool> woken_{false};
};

void Recolour(const CacheFixture& f, int n, int shift) {
    for (int i = 0; i < n; ++i)
        WriteBytes(f.folder + "p" + std::to_string(10 + i) + ".jpg",
                   EncodeJpeg(Solid(60, 40, 0, 0, std::uint8_t(20 * i + shift)), 95));
}

TEST(CacheBuild, StoppedBuildKeepsThePreviousCacheByteForByte) {
    CacheFixture f(8);
    ThumbnailCache cache;
    f.Build(cache);
    const auto before = ReadBytes(f.CacheFile());
    ASSERT_FALSE(before.empty());
    Recolour(f, 8, 100); // a finished build would now write other bytes

    for (int stopAfter : {1, 3, 8}) {
        SCOPED_TRACE(stopAfter);
        CountingWait wait(stopAfter);
        EXPECT_FALSE(cache.Build(f.list, f.folder, 32, f.cache, QtSource(), nullptr, &wait));
        EXPECT_EQ(wait.asked, stopAfter); // asked after every picture, stopped at once
        EXPECT_EQ(ReadBytes(f.CacheFile()), before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.cache), {}), 1);
        ASSERT_EQ(cache.Count(), 8);
        EXPECT_NEAR(CentreRed(cache.Image(1)), 20, 6); // the previous thumbnails stay
    }
}

TEST(CacheBuild, BuildThatWaitsWritesWhatABlockingBuildWrites) {
    CacheFixture f(6);
    ThumbnailCache blocking, waiting;
    f.Build(blocking);
    const auto expected = ReadBytes(f.CacheFile());
    std::filesystem::remove(f.CacheFile());
    CountingWait wait(1000);
    EXPECT_TRUE(waiting.Build(f.list, f.folder, 32, f.cache, QtSource(), nullptr, &wait));
    EXPECT_EQ(wait.asked, 6 + wait.sleeps); // after every picture and every wake-up
    EXPECT_EQ(ReadBytes(f.CacheFile()), expected);
    EXPECT_EQ(waiting.Count(), 6);
}

// The cancel path of Esc in the program: the event-loop wait stopped during the build.
TEST(CacheBuild, EventLoopWaitStoppedKeepsThePreviousCache) {
    CacheFixture f(10);
    ThumbnailCache cache;
    f.Build(cache);
    const auto before = ReadBytes(f.CacheFile());
    Recolour(f, 10, 100);
    ThumbnailBuildLoop loop(nullptr);
    int shown = 0;
    EXPECT_FALSE(cache.Build(
        f.list, f.folder, 32, f.cache, QtSource(),
        [&](const QString&) {
            if (++shown == 2)
                loop.Stop();
        },
        &loop));
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(ReadBytes(f.CacheFile()), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.cache), {}), 1);
    EXPECT_EQ(cache.Count(), 10);
}

// Esc during a long plug-in decode: the build tells the picture's source to stop and
// returns once it has, instead of waiting for the picture to finish.
TEST(CacheBuild, AStoppedBuildStopsThePictureBeingDecoded) {
    std::atomic<bool> decoding{false}, sawStop{false};
    struct EscPressed : ThumbnailBuildWait { // once the picture is being decoded
        std::atomic<bool>& decoding;
        explicit EscPressed(std::atomic<bool>& d) : decoding(d) {}
        void Sleep() override { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }
        void Wake() override {}
        bool Stopping() override { return decoding; }
    } esc(decoding);
    CacheFixture f(2);
    ASSERT_TRUE(
        QImage(8, 8, QImage::Format_RGB888).save(QString::fromStdString(f.folder + "a.bmp")));
    FillPictureRows(f.list, ListFolderPictures(f.folder, {"*.jpg", "*.bmp"}));
    const StoppablePictureSource slow = [&](const std::string&, const std::atomic<bool>& stop) {
        decoding = true;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!stop && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        sawStop = stop.load();
        throw Error("decode stopped");
        return Bitmap24{};
    };
    ThumbnailCache cache;
    EXPECT_FALSE(cache.Build(f.list, f.folder, 32, f.cache, slow, nullptr, &esc));
    EXPECT_TRUE(sawStop);
    EXPECT_FALSE(std::filesystem::exists(f.CacheFile()));
}

TEST(CacheBuild, MissingCacheFolderIsReportedBeforeDecoding) {
    CacheFixture f(2);
    int decoded = 0;
    ThumbnailCache cache;
    try {
        cache.Build(f.list, f.folder, 32, f.tree.Path("nowhere") + "/",
                    [&](const std::string&) {
                        ++decoded;
                        return Bitmap24();
                    },
                    {});
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("を作成できません"), std::string::npos);
    }
    EXPECT_EQ(decoded, 0);
}

TEST(CacheFile, DamagedFilesAreErrors) {
    CacheFixture f(3);
    ThumbnailCache cache;
    f.Build(cache);
    const auto good = ReadBytes(f.CacheFile());
    ASSERT_NO_THROW(ParseThumbnailCache(good));

    for (std::size_t cut :
         {std::size_t(0), std::size_t(7), std::size_t(23), good.size() / 2, good.size() - 1}) {
        WriteBytes(f.CacheFile(), std::vector<std::uint8_t>(good.begin(), good.begin() + cut));
        EXPECT_THROW(cache.Load(f.cache, f.folder), Error) << cut;
        EXPECT_TRUE(cache.IsEmpty());
    }
    auto extra = good;
    extra.push_back(0);
    EXPECT_THROW(ParseThumbnailCache(extra), Error);
    auto huge = good;
    huge[20] = 0xFF; // count
    huge[21] = 0xFF;
    EXPECT_THROW(ParseThumbnailCache(huge), Error);
    auto wrongSize = good;
    wrongSize[12] = 33; // width no longer matches the stored thumbnails
    EXPECT_THROW(ParseThumbnailCache(wrongSize), Error);
}

} // namespace
} // namespace folivex
