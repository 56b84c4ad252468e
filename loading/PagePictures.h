// The one way listed pictures reach the screen: the spread renderer asks for the
// pictures of a spread already reduced into their slots, the thumbnails for whole
// pictures. JPEG files are decoded at the smallest DCT scale that still fills the slot,
// other formats in full and then reduced. Decoding runs on a pool of worker threads (the
// pictures of one spread in parallel) and picture plug-ins, which need not be
// thread-safe, on one worker of their own. Ready pictures and the decodes they came from
// are kept in a bounded cache, and the spreads around the shown one can be prepared
// ahead at a lower priority.
#pragma once

#include "core/Bitmap24.h"
#include "loading/SlotCache.h"
#include "loading/SlotPicture.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace folivex {

class TSPIBitmap;

// Turns the full path of a listed picture into its pixels; raises the reader's error.
using PictureSource = std::function<Bitmap24(const std::string& path)>;
// The same for a thumbnail whose longer side needs at least minLongSide pixels.
using ThumbnailSource = std::function<Bitmap24(const std::string& path, int minLongSide)>;

struct SlotRequest {
    std::string path;
    SlotBox box;        // in layout pixels
    bool clean = false; // area-averaged rather than nearest-pixel reduction
    // Device pixels per layout pixel: on a scaled screen the picture is made this much
    // larger than the layout's box, so that it is drawn sharp rather than stretched.
    double scale = 1;
};

struct SlotPicture {
    std::shared_ptr<const Bitmap24> picture; // drawn as it is, unscaled
    int fullWidth = 0, fullHeight = 0;       // the upright picture in the file
};

struct PagePicturesOptions {
    std::size_t cacheBytes = SlotCache::kDefaultCapacity;
    // Decoding threads besides the plug-in worker: -1 one per core (at least 2); 0 none,
    // the asking thread decodes and nothing is prepared ahead.
    int workers = -1;
    // Called on the decoding thread just before a file is decoded (tests hold it there).
    std::function<void(const std::string& path)> beforeDecode;
};

class PagePictures {
public:
    // Pictures queued by their file extension: JPEG and BMP on the pool, any other format
    // on the plug-in worker. The content decides the reader once the file is read, so a
    // picture under a wrong name still opens; a plug-in picture met on the pool waits
    // for the plug-ins, which only one thread at a time may use.
    explicit PagePictures(PagePicturesOptions options = {});
    // Every picture through `decoder`, decoded in full and then reduced.
    PagePictures(PictureSource decoder, PagePicturesOptions options);
    ~PagePictures();
    PagePictures(const PagePictures&) = delete;
    PagePictures& operator=(const PagePictures&) = delete;

    // The pictures of one spread, in the order asked. Waits for these alone, decoding
    // queued ones on this thread meanwhile; beforeWait runs once first when anything must
    // be decoded. Raises the error of the first request that failed, whether it failed
    // now or while prepared ahead.
    std::vector<SlotPicture> Fetch(const std::vector<SlotRequest>& requests,
                                   const std::function<void()>& beforeWait = {});
    // Replaces whatever waits to be prepared ahead by these; never reports a failure.
    void Prefetch(const std::vector<SlotRequest>& requests);
    // Drops what waits to be prepared ahead (a picture already decoding still finishes).
    void CancelPrefetch();
    // Waits until nothing is queued or decoding.
    void WaitIdle();
    // Cancels the preparation ahead and waits until no worker decodes, so that the
    // plug-ins can be replaced safely; forgets remembered failures.
    void Quiesce();

    // A whole picture, upright; plug-in formats through the plug-in worker. With `stop`,
    // a plug-in gives up the picture at its next progress report once `stop` is true,
    // raising EDecodeStopped.
    Bitmap24 LoadFull(const std::string& path, const std::atomic<bool>* stop = nullptr);
    // For a thumbnail: a JPEG (by name and content) decoded at the smallest scale that
    // keeps minLongSide pixels on its longer side, on the calling thread; anything else
    // as LoadFull.
    Bitmap24 LoadThumbnail(const std::string& path, int minLongSide);
    ThumbnailSource ThumbnailPictures();

    struct Counters {
        int decodes = 0;        // files decoded
        int decodesOnOwner = 0; // ... of them on the thread that made this object
        int reductions = 0;     // slot pictures made from a kept decode
        int cancelled = 0;      // preparations dropped before they started
        int stopped = 0;        // ... or stopped midway by the plug-in's progress callback
    };
    Counters Stats() const;
    SlotCache& Cache() { return cache_; }

private:
    struct Job;
    using JobPtr = std::shared_ptr<Job>;
    struct Decoded;

    void StartWorkers(int count);
    void WorkerLoop(bool plugIns);
    JobPtr TakeNext(bool plugIns);
    // onPool: run by a pool worker, counted as busy while it decodes.
    void RunReleased(const JobPtr& job, std::unique_lock<std::mutex>& lock, bool onPool);
    void Run(Job& job);
    void Finish(const JobPtr& job);
    KeptPicture MakeSlotPicture(const Job& job);
    KeptPicture ReduceDecoded(const Job& job, Decoded decoded);
    Decoded Decode(const Job& job);
    // `stop`, when given, stops a plug-in midway once it turns true.
    Bitmap24 DecodeWhole(const std::string& path, const std::vector<std::uint8_t>& bytes,
                         const std::atomic<bool>* stop = nullptr);
    Bitmap24 LoadWholeUnlessStopped(const std::string& path, const std::atomic<bool>* stop);
    Bitmap24 DecodeJpegFor(const Job& job, const std::vector<std::uint8_t>& bytes, int& fullWidth,
                           int& fullHeight);
    void CountDecode();
    bool IsPlugInFormat(const std::string& path) const;
    JobPtr NewJob(const SlotRequest& request, const FileIdentity& id, bool low);
    JobPtr JobFor(const SlotRequest& request, const FileIdentity& id, SlotPicture& ready);
    void Enqueue(const JobPtr& job);
    void Promote(const JobPtr& job);
    void CancelQueuedLow();
    void WaitAll(const std::vector<JobPtr>& jobs);
    bool MayDecodeHere() const;
    bool RunOneOf(const std::vector<JobPtr>& jobs, std::unique_lock<std::mutex>& lock);

    PictureSource decoder_; // empty: by extension
    PagePicturesOptions options_;
    SlotCache cache_;
    std::mutex plugInMutex_; // held while spiBitmap_ and its plug-ins decode
    std::unique_ptr<TSPIBitmap> spiBitmap_;
    std::thread::id owner_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<JobPtr> high_, low_, plugInHigh_, plugInLow_;
    std::map<std::string, JobPtr> inFlight_; // by ready key
    std::map<std::string, JobPtr> failed_;   // failures not yet reported
    int running_ = 0;
    int poolBusy_ = 0;      // pool workers decoding
    int poolBusyAsked_ = 0; // ... of them a picture asked for, not one prepared ahead
    int cores_ = 1;
    bool stopping_ = false;
    Counters counters_;
    std::vector<std::thread> threads_;
};

} // namespace folivex
