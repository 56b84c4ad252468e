#include "contents/ThumbnailCache.h"

#include "contents/ThumbnailCacheFile.h"
#include "contents/ThumbnailImage.h"
#include "core/Paths.h"
#include "loading/PictureFile.h"
#include "loading/PictureLoader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace folivex {

namespace {

constexpr int kThumbnailQuality = 88;
// Most file systems take names of up to 255 bytes.
constexpr std::size_t kMaxCacheName = 200;
constexpr std::size_t kKeptNameStart = 180;

std::size_t Utf8Boundary(std::string_view text, std::size_t at) {
    while (at > 0 && (static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

std::string HashText(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull; // FNV-1a
    for (char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

// One row's finished thumbnail: the picture for the list and its bytes for the file.
struct Made {
    Bitmap24 thumb;
    EncodedThumbnail jpeg;
};

Made MakeFrom(const Bitmap24& picture, int size) {
    Made made;
    made.thumb = MakeThumbnail(picture, size);
    made.jpeg = EncodeJpeg(made.thumb, kThumbnailQuality);
    return made;
}

// Makes every row's thumbnail on worker threads, each row once, so that the thread that
// builds the cache only waits: the JPEG rows on one worker per core in any order, the
// others one after another on a worker of their own, since `source` (the picture
// plug-ins behind it) need not be safe to call from two threads at once. The caller takes
// the results in row order. Destruction stops and joins the workers.
class ParallelDecoder {
public:
    ParallelDecoder(std::vector<std::string> paths, std::vector<bool> jpeg, int size,
                    const StoppablePictureSource& source, ThumbnailBuildWait* wait)
        : paths_(std::move(paths)), jpeg_(std::move(jpeg)), slots_(paths_.size()), size_(size),
          source_(source), wait_(wait) {
        const auto jpegRows = unsigned(std::count(jpeg_.begin(), jpeg_.end(), true));
        unsigned n = std::thread::hardware_concurrency();
        n = std::clamp(n, 1u, 8u);
        n = std::min(n, jpegRows);
        for (unsigned i = 0; i < n; ++i)
            workers_.emplace_back([this] { Work(); });
        if (jpegRows < jpeg_.size())
            workers_.emplace_back([this] { WorkOthers(); });
    }
    ~ParallelDecoder() {
        stop_ = true;
        for (auto& w : workers_)
            w.join();
    }
    ParallelDecoder(const ParallelDecoder&) = delete;
    ParallelDecoder& operator=(const ParallelDecoder&) = delete;

    // The result of a row; rethrows its decoding error. Nothing when the build's
    // wait says to stop first.
    std::optional<Made> Take(std::size_t index) {
        std::unique_lock lock(mutex_);
        if (wait_ != nullptr) {
            while (!slots_[index].finished) {
                lock.unlock();
                wait_->Sleep();
                if (wait_->Stopping())
                    return std::nullopt;
                lock.lock();
            }
        } else {
            done_.wait(lock, [&] { return slots_[index].finished; });
        }
        Slot& slot = slots_[index];
        if (slot.error)
            std::rethrow_exception(slot.error);
        return std::move(*slot.made);
    }

private:
    struct Slot {
        bool finished = false;
        std::optional<Made> made;
        std::exception_ptr error;
    };

    void Work() {
        while (!stop_) {
            const std::size_t i = next_++;
            if (i >= paths_.size())
                return;
            if (jpeg_[i])
                Make(i, [&] {
                    return MakeFrom(LoadThumbnailPicture(paths_[i], size_, Source()), size_);
                });
        }
    }

    void WorkOthers() {
        for (std::size_t i = 0; i < paths_.size() && !stop_; ++i) {
            if (!jpeg_[i])
                Make(i, [&] { return MakeFrom(Source()(paths_[i]), size_); });
        }
    }

    // `source_` one thread at a time: a JPEG worker needs it too for a picture that is
    // named as a JPEG but holds another format.
    std::function<Bitmap24(const std::string&)> Source() {
        if (!source_)
            return {};
        return [this](const std::string& path) {
            const std::lock_guard lock(sourceMutex_);
            return source_(path, stop_);
        };
    }

    template <typename MakeRow> void Make(std::size_t i, const MakeRow& make) {
        std::optional<Made> made;
        std::exception_ptr error;
        try {
            made = make();
        } catch (...) { // carried to the building thread, which rethrows it
            error = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        slots_[i].made = std::move(made);
        slots_[i].error = error;
        slots_[i].finished = true;
        done_.notify_all();
        if (wait_ != nullptr)
            wait_->Wake();
    }

    std::vector<std::string> paths_;
    std::vector<bool> jpeg_;
    std::vector<Slot> slots_;
    int size_;
    const StoppablePictureSource& source_;
    ThumbnailBuildWait* wait_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::mutex sourceMutex_;
    std::condition_variable done_;
    std::vector<std::thread> workers_;
};

} // namespace

std::string ThumbnailCacheFileName(std::string_view cacheFolder, std::string_view pictureFolder) {
    std::string name;
    for (char c : pictureFolder) {
        if (c != '/' && c != ':')
            name += c;
    }
    if (name.empty())
        name = "%";
    if (name.size() > kMaxCacheName)
        name = name.substr(0, Utf8Boundary(name, kKeptNameStart)) + "~" + HashText(name);
    return WithTrailingSlash(cacheFolder) + name;
}

QString ThumbnailProgressText(int p, int rowCount) {
    const int filled = rowCount > 0 ? std::clamp(int(10LL * p / rowCount), 0, 10) : 0;
    return QString(filled, QChar(0x25CF)) + QString(10 - filled, QChar(0x25CB));
}

QImage ThumbnailCache::Image(int index) const {
    if (index < 0 || index >= Count())
        return QImage();
    return images_[std::size_t(index)];
}

void ThumbnailCache::Load(const std::string& cacheFolder, const std::string& pictureFolder) {
    images_.clear();
    const std::string path = ThumbnailCacheFileName(cacheFolder, pictureFolder);
    if (!FileExists(path))
        return;
    ThumbnailSet set = LoadThumbnailCacheFile(path);
    width_ = set.width;
    height_ = set.height;
    images_.reserve(set.images.size());
    for (const Bitmap24& image : set.images)
        images_.push_back(ToQImage(image));
}

bool ThumbnailCache::Build(const PictureList& list, const std::string& pictureFolder, int size,
                           const std::string& cacheFolder, const PictureSource& source,
                           const StatusText& status, ThumbnailBuildWait* wait) {
    StoppablePictureSource unstoppable;
    if (source)
        unstoppable = [&source](const std::string& path, const std::atomic<bool>&) {
            return source(path);
        };
    return Build(list, pictureFolder, size, cacheFolder, unstoppable, status, wait);
}

bool ThumbnailCache::Build(const PictureList& list, const std::string& pictureFolder, int size,
                           const std::string& cacheFolder, const StoppablePictureSource& source,
                           const StatusText& status, ThumbnailBuildWait* wait) {
    if (list.IsEmpty())
        return true;
    CacheFileWriter writer(ThumbnailCacheFileName(cacheFolder, pictureFolder));

    const int rowCount = list.RowCount();
    std::vector<std::string> paths;
    std::vector<bool> jpeg;
    for (int row = 1; row < rowCount; ++row) {
        paths.push_back(pictureFolder + list.FileName(row));
        jpeg.push_back(IsJpegName(list.FileName(row)));
    }
    std::vector<QImage> made;
    std::vector<EncodedThumbnail> encoded;
    {
        ParallelDecoder decoder(paths, jpeg, size, source, wait);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            std::optional<Made> m = decoder.Take(i);
            if (!m)
                return false;
            made.push_back(ToQImage(m->thumb));
            encoded.push_back(std::move(m->jpeg));
            if (status)
                status(ThumbnailProgressText(int(i) + 1, rowCount));
            if (wait != nullptr && wait->Stopping())
                return false;
        }
    }
    writer.Commit(SerializeThumbnailCache(size, size, encoded));
    width_ = height_ = size;
    images_ = std::move(made);
    if (status)
        status(QString::fromStdString(pictureFolder));
    return true;
}

} // namespace folivex
