#include "loading/PagePictures.h"

#include "loading/Archive.h"
#include "loading/BmpReader.h"
#include "loading/JpegDecoder.h"
#include "loading/PictureLoader.h"
#include "loading/PictureSniff.h"
#include "loading/SPIBitmap.h"
#include "loading/SPIs.h"
#include "loading/ZoomOut.h"

#include <algorithm>
#include <climits>

namespace folivex {

struct PagePictures::Decoded {
    Bitmap24 picture;
    int fullWidth = 0, fullHeight = 0;
};

struct PagePictures::Job {
    enum class State { Queued, Running, Done };
    SlotRequest request;
    FileIdentity id;
    std::string key;
    bool whole = false; // LoadFull: the picture itself, nothing kept
    bool plugIn = false;
    bool low = false;
    // A preparation ahead that a jump dropped while it decoded: a plug-in stops at its
    // next progress report.
    std::atomic<bool> dropped{false};
    // LoadFull's caller's own stop, when it gave one.
    const std::atomic<bool>* stop = nullptr;
    State state = State::Queued;
    KeptPicture result;
    Bitmap24 wholePicture;
    std::exception_ptr error;
};

namespace {

std::string IdentityKey(const FileIdentity& id) {
    return id.path + '\n' + std::to_string(id.size) + '\n' + std::to_string(id.mtimeNs);
}

std::string ReadyKey(const FileIdentity& id, const SlotRequest& r) {
    return IdentityKey(id) + '\n' + std::to_string(r.box.width) + 'x' +
           std::to_string(r.box.height) + (r.box.fourSplit ? "q" : "p") + (r.clean ? "c" : "n") +
           '@' + std::to_string(r.scale);
}

std::string DecodedKey(const FileIdentity& id) {
    return IdentityKey(id) + "\nfile";
}

bool WasStopped(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const EDecodeStopped&) {
        return true;
    } catch (...) { // any other failure stays with its job, to be reported when drawn
        return false;
    }
}

int Trunc(double x) {
    return !(x > 0) ? 0 : x >= double(INT_MAX) ? INT_MAX : int(x);
}

// The size of the slot picture in device pixels: the layout's fitted size times the
// screen's scale.
PictureSize TargetOf(const SlotRequest& r, int fullWidth, int fullHeight) {
    const PictureSize fitted = FitIntoSlot(r.box, fullWidth, fullHeight);
    if (r.scale == 1)
        return fitted;
    return {Trunc(fitted.width * r.scale + 0.5), Trunc(fitted.height * r.scale + 0.5)};
}

// A kept decode serves when it is at least the target, or the whole picture.
bool Covers(const KeptPicture& kept, const SlotRequest& r) {
    const PictureSize target = TargetOf(r, kept.fullWidth, kept.fullHeight);
    return kept.picture && kept.picture->width >= std::min(target.width, kept.fullWidth) &&
           kept.picture->height >= std::min(target.height, kept.fullHeight);
}

// The clean drawing as it has always been sized: both sides by the width's factor.
Bitmap24 ReduceClean(Bitmap24 picture, int fullWidth, int fullHeight, PictureSize fitted) {
    const double factor = double(fitted.width) / fullWidth;
    if (picture.width == fullWidth && picture.height == fullHeight) {
        ZoomOutBitmap(picture, std::min(1.0, factor));
        return picture;
    }
    const PictureSize target{Trunc(fullWidth * factor), Trunc(fullHeight * factor)};
    return ShrinkClean(std::move(picture), target);
}

// The slot picture from a decode; `owned` may be taken apart instead of copied.
KeptPicture Reduce(const Bitmap24& decoded, Bitmap24* owned, int fullWidth, int fullHeight,
                   const SlotRequest& r) {
    const PictureSize fitted = TargetOf(r, fullWidth, fullHeight);
    // Clean drawing never enlarges; a picture smaller than its box on a scaled screen is
    // enlarged pixel by pixel, as the screen would have stretched it.
    const bool enlarged = fitted.width > fullWidth || fitted.height > fullHeight;
    Bitmap24 out;
    if (decoded.empty() || fullWidth <= 0 || fullHeight <= 0)
        out = Bitmap24();
    else if (!r.clean || enlarged)
        out = StretchNearest(decoded, fitted);
    else if (owned)
        out = ReduceClean(std::move(*owned), fullWidth, fullHeight, fitted);
    else
        out = ReduceClean(decoded, fullWidth, fullHeight, fitted);
    return {std::make_shared<const Bitmap24>(std::move(out)), fullWidth, fullHeight};
}

} // namespace

PagePictures::PagePictures(PagePicturesOptions options)
    : options_(std::move(options)), cache_(options_.cacheBytes),
      spiBitmap_(std::make_unique<TSPIBitmap>()), owner_(std::this_thread::get_id()) {
    StartWorkers(options_.workers);
    threads_.emplace_back([this] { WorkerLoop(true); });
}

PagePictures::PagePictures(PictureSource decoder, PagePicturesOptions options)
    : decoder_(std::move(decoder)), options_(std::move(options)), cache_(options_.cacheBytes),
      owner_(std::this_thread::get_id()) {
    StartWorkers(options_.workers);
}

PagePictures::~PagePictures() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        // A whole picture still waited for on another thread is not read after all.
        for (auto* queue : {&high_, &low_, &plugInHigh_, &plugInLow_}) {
            for (const JobPtr& job : *queue) {
                job->error = std::make_exception_ptr(
                    Error(FormatMessage(msg::kCannotOpen, job->request.path)));
                job->state = Job::State::Done;
            }
            queue->clear();
        }
    }
    changed_.notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void PagePictures::StartWorkers(int count) {
    cores_ = std::max(1, int(std::thread::hardware_concurrency()));
    if (count < 0)
        count = std::max(2, cores_);
    options_.workers = count;
    for (int i = 0; i < count; ++i)
        threads_.emplace_back([this] { WorkerLoop(false); });
}

bool PagePictures::IsPlugInFormat(const std::string& path) const {
    if (decoder_)
        return false;
    return BuiltInFormatOfName(path) == BuiltInFormat::None;
}

PagePictures::JobPtr PagePictures::TakeNext(bool plugIns) {
    std::deque<JobPtr>& first = plugIns ? plugInHigh_ : high_;
    std::deque<JobPtr>& second = plugIns ? plugInLow_ : low_;
    std::deque<JobPtr>& queue = first.empty() ? second : first;
    if (queue.empty())
        return nullptr;
    JobPtr job = queue.front();
    queue.pop_front();
    return job;
}

void PagePictures::WorkerLoop(bool plugIns) {
    std::unique_lock lock(mutex_);
    for (;;) {
        JobPtr job;
        changed_.wait(lock, [&] { return stopping_ || (job = TakeNext(plugIns)) != nullptr; });
        if (!job)
            return;
        RunReleased(job, lock, !plugIns);
    }
}

// Under the lock: runs the job with the lock released, then hands its result over.
void PagePictures::RunReleased(const JobPtr& job, std::unique_lock<std::mutex>& lock, bool onPool) {
    job->state = Job::State::Running;
    const bool asked = !job->low;
    ++running_;
    if (onPool) {
        ++poolBusy_;
        poolBusyAsked_ += asked;
    }
    lock.unlock();
    Run(*job);
    lock.lock();
    --running_;
    if (onPool) {
        --poolBusy_;
        poolBusyAsked_ -= asked;
    }
    Finish(job);
    changed_.notify_all();
}

void PagePictures::Run(Job& job) {
    try {
        if (job.whole)
            job.wholePicture = LoadWholeUnlessStopped(job.request.path, job.stop);
        else
            job.result = MakeSlotPicture(job);
    } catch (...) {
        // Carried to the thread that draws the spread, which raises it there.
        job.error = std::current_exception();
    }
}

void PagePictures::Finish(const JobPtr& job) {
    job->state = Job::State::Done;
    if (const auto it = inFlight_.find(job->key); it != inFlight_.end() && it->second == job)
        inFlight_.erase(it);
    if (!job->error || job->whole)
        return;
    if (WasStopped(job->error)) { // nobody wanted it: nothing to remember
        ++counters_.stopped;
        return;
    }
    if (failed_.size() >= 256)
        failed_.clear();
    failed_[job->key] = job;
}

KeptPicture PagePictures::MakeSlotPicture(const Job& job) {
    const std::string decodedKey = DecodedKey(job.id);
    KeptPicture ready;
    if (auto kept = job.id.known ? cache_.Find(decodedKey) : std::nullopt;
        kept && Covers(*kept, job.request)) {
        ready = Reduce(*kept->picture, nullptr, kept->fullWidth, kept->fullHeight, job.request);
        const std::lock_guard lock(mutex_);
        ++counters_.reductions;
    } else {
        ready = ReduceDecoded(job, Decode(job));
    }
    if (job.id.known)
        cache_.Put(job.key, ready);
    return ready;
}

// Keeps a decode small enough to share the cache with others, for redraws at other
// sizes and in the other mode; a larger one is reduced in place.
KeptPicture PagePictures::ReduceDecoded(const Job& job, Decoded decoded) {
    const std::size_t bytes = decoded.picture.pixels.size();
    if (!job.id.known || bytes > cache_.Capacity() / 4)
        return Reduce(decoded.picture, &decoded.picture, decoded.fullWidth, decoded.fullHeight,
                      job.request);
    auto shared = std::make_shared<const Bitmap24>(std::move(decoded.picture));
    cache_.Put(DecodedKey(job.id), {shared, decoded.fullWidth, decoded.fullHeight});
    return Reduce(*shared, nullptr, decoded.fullWidth, decoded.fullHeight, job.request);
}

void PagePictures::CountDecode() {
    const std::lock_guard lock(mutex_);
    ++counters_.decodes;
    if (std::this_thread::get_id() == owner_)
        ++counters_.decodesOnOwner;
}

PagePictures::Decoded PagePictures::Decode(const Job& job) {
    const std::string& path = job.request.path;
    if (options_.beforeDecode)
        options_.beforeDecode(path);
    CountDecode();
    Decoded d;
    if (decoder_) {
        d.picture = decoder_(path);
    } else {
        const std::vector<std::uint8_t> bytes = ReadPictureBytes(path);
        if (SniffBuiltInFormat(bytes) == BuiltInFormat::Jpeg)
            d.picture = DecodeJpegFor(job, bytes, d.fullWidth, d.fullHeight);
        else
            d.picture = DecodeWhole(path, bytes, &job.dropped);
    }
    if (d.fullWidth == 0) {
        d.fullWidth = d.picture.width;
        d.fullHeight = d.picture.height;
    }
    return d;
}

Bitmap24 PagePictures::DecodeJpegFor(const Job& job, const std::vector<std::uint8_t>& bytes,
                                     int& fullWidth, int& fullHeight) {
    const JpegInfo info = ReadJpegInfo(bytes);
    const bool turned = info.orientation >= 5 && info.orientation <= 8;
    fullWidth = turned ? info.height : info.width;
    fullHeight = turned ? info.width : info.height;
    const PictureSize fitted = TargetOf(job.request, fullWidth, fullHeight);
    return DecodeJpegScaled(
        bytes, ChooseJpegDenominator(info.width, info.height, info.orientation, fitted));
}

Bitmap24 PagePictures::DecodeWhole(const std::string& path, const std::vector<std::uint8_t>& bytes,
                                   const std::atomic<bool>* stop) {
    switch (SniffBuiltInFormat(bytes)) {
    case BuiltInFormat::Jpeg:
        return DecodeJpeg(bytes);
    case BuiltInFormat::Bmp:
        return ReadBmp(bytes);
    case BuiltInFormat::None:
        break;
    }
    const std::lock_guard plugIns(plugInMutex_);
    struct StopWhenAsked {
        TSPIBitmap& bitmap;
        StopWhenAsked(TSPIBitmap& b, const std::atomic<bool>* stop) : bitmap(b) {
            if (stop)
                bitmap.ShouldStop = [stop] { return stop->load(); };
        }
        ~StopWhenAsked() { bitmap.ShouldStop = nullptr; }
    } asked(*spiBitmap_, stop);
    return DecodeWithPlugIns(path, bytes, *spiBitmap_);
}

Bitmap24 PagePictures::LoadWholeUnlessStopped(const std::string& path,
                                              const std::atomic<bool>* stop) {
    if (stop && stop->load()) // stopped while it waited its turn
        throw EDecodeStopped();
    return DecodeWhole(path, ReadPictureBytes(path), stop);
}

PagePictures::JobPtr PagePictures::NewJob(const SlotRequest& request, const FileIdentity& id,
                                          bool low) {
    auto job = std::make_shared<Job>();
    job->request = request;
    job->id = id;
    job->key = ReadyKey(id, request);
    job->plugIn = IsPlugInFormat(request.path);
    job->low = low;
    return job;
}

void PagePictures::Enqueue(const JobPtr& job) {
    auto& queue = job->plugIn ? (job->low ? plugInLow_ : plugInHigh_) : (job->low ? low_ : high_);
    queue.push_back(job);
    if (!job->whole)
        inFlight_[job->key] = job;
}

void PagePictures::Promote(const JobPtr& job) {
    if (job->low && job->state == Job::State::Running) {
        job->low = false; // wanted after all: let it finish
        job->dropped = false;
        return;
    }
    if (!job->low || job->state != Job::State::Queued)
        return;
    auto& from = job->plugIn ? plugInLow_ : low_;
    from.erase(std::remove(from.begin(), from.end(), job), from.end());
    job->low = false;
    (job->plugIn ? plugInHigh_ : high_).push_back(job);
}

// Under the lock: a cached picture fills `ready` and gives no job; otherwise the job that
// makes (or made) the picture, queued at the front priority.
PagePictures::JobPtr PagePictures::JobFor(const SlotRequest& request, const FileIdentity& id,
                                          SlotPicture& ready) {
    const std::string key = ReadyKey(id, request);
    if (id.known) {
        if (const auto kept = cache_.Find(key)) {
            ready = {kept->picture, kept->fullWidth, kept->fullHeight};
            return nullptr;
        }
    }
    if (const auto it = failed_.find(key); it != failed_.end())
        return it->second;
    if (const auto it = inFlight_.find(key); it != inFlight_.end()) {
        Promote(it->second);
        return it->second;
    }
    JobPtr job = NewJob(request, id, false);
    Enqueue(job);
    return job;
}

std::vector<SlotPicture> PagePictures::Fetch(const std::vector<SlotRequest>& requests,
                                             const std::function<void()>& beforeWait) {
    std::vector<FileIdentity> ids;
    for (const SlotRequest& r : requests)
        ids.push_back(IdentifyFile(r.path));
    std::vector<SlotPicture> out(requests.size());
    std::vector<JobPtr> jobs(requests.size());
    bool waiting = false;
    {
        const std::lock_guard lock(mutex_);
        for (std::size_t i = 0; i < requests.size(); ++i) {
            jobs[i] = JobFor(requests[i], ids[i], out[i]);
            waiting = waiting || (jobs[i] && jobs[i]->state != Job::State::Done);
        }
    }
    changed_.notify_all();
    if (waiting && beforeWait)
        beforeWait();
    WaitAll(jobs);
    // A preparation stopped for a jump just before this spread asked for it again: its
    // picture is decoded anew, now at the front.
    if (std::any_of(jobs.begin(), jobs.end(),
                    [](const JobPtr& j) { return j && j->error && WasStopped(j->error); }))
        return Fetch(requests);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (!jobs[i])
            continue;
        if (jobs[i]->error)
            std::rethrow_exception(jobs[i]->error);
        out[i] = {jobs[i]->result.picture, jobs[i]->result.fullWidth, jobs[i]->result.fullHeight};
    }
    return out;
}

// Under the lock: whether the asking thread should decode a queued picture itself. An idle
// worker takes it anyway, and a third decoding thread on busy cores only slows every
// decode down; the asking thread helps when the workers are all busy, some of them with
// pictures nobody asked for yet.
bool PagePictures::MayDecodeHere() const {
    return options_.workers == 0 || (poolBusy_ >= options_.workers && poolBusyAsked_ < cores_);
}

// Under the lock: runs one of these jobs still queued for the pool on this thread.
bool PagePictures::RunOneOf(const std::vector<JobPtr>& jobs, std::unique_lock<std::mutex>& lock) {
    for (const JobPtr& job : jobs) {
        if (!job || job->plugIn || job->state != Job::State::Queued)
            continue;
        high_.erase(std::remove(high_.begin(), high_.end(), job), high_.end());
        RunReleased(job, lock, false);
        return true;
    }
    return false;
}

void PagePictures::WaitAll(const std::vector<JobPtr>& jobs) {
    std::unique_lock lock(mutex_);
    auto done = [&] {
        return std::all_of(jobs.begin(), jobs.end(),
                           [](const JobPtr& j) { return !j || j->state == Job::State::Done; });
    };
    while (!done()) {
        if (!MayDecodeHere() || !RunOneOf(jobs, lock))
            changed_.wait(lock);
    }
    // Reported now; the next drawing reads the file again.
    for (const JobPtr& job : jobs)
        if (job && job->error)
            failed_.erase(job->key);
}

void PagePictures::CancelQueuedLow() {
    for (const auto& [key, job] : inFlight_)
        if (job->state == Job::State::Running && job->low)
            job->dropped = true;
    for (auto* queue : {&low_, &plugInLow_}) {
        for (const JobPtr& job : *queue) {
            job->state = Job::State::Done;
            inFlight_.erase(job->key);
            ++counters_.cancelled;
        }
        queue->clear();
    }
}

void PagePictures::Prefetch(const std::vector<SlotRequest>& requests) {
    if (options_.workers == 0)
        return;
    std::vector<FileIdentity> ids;
    for (const SlotRequest& r : requests)
        ids.push_back(IdentifyFile(r.path));
    {
        const std::lock_guard lock(mutex_);
        CancelQueuedLow();
        for (std::size_t i = 0; i < requests.size(); ++i) {
            const std::string key = ReadyKey(ids[i], requests[i]);
            if (const auto it = inFlight_.find(key); it != inFlight_.end()) {
                it->second->dropped = false; // still wanted ahead: let it finish
                continue;
            }
            // A file that cannot be examined now is left for its own drawing to report.
            if (!ids[i].known || failed_.count(key) || cache_.Find(key))
                continue;
            Enqueue(NewJob(requests[i], ids[i], true));
        }
    }
    changed_.notify_all();
}

void PagePictures::CancelPrefetch() {
    const std::lock_guard lock(mutex_);
    CancelQueuedLow();
}

void PagePictures::WaitIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] {
        return running_ == 0 && high_.empty() && low_.empty() && plugInHigh_.empty() &&
               plugInLow_.empty();
    });
}

void PagePictures::Quiesce() {
    CancelPrefetch();
    WaitIdle();
    const std::lock_guard lock(mutex_);
    failed_.clear();
}

Bitmap24 PagePictures::LoadFull(const std::string& path, const std::atomic<bool>* stop) {
    if (decoder_)
        return decoder_(path);
    if (!IsPlugInFormat(path))
        return LoadWholeUnlessStopped(path, stop);
    auto job = std::make_shared<Job>();
    job->request.path = path;
    job->whole = true;
    job->plugIn = true;
    job->stop = stop;
    std::unique_lock lock(mutex_);
    Enqueue(job);
    changed_.notify_all();
    changed_.wait(lock, [&] { return job->state == Job::State::Done; });
    if (job->error)
        std::rethrow_exception(job->error);
    return std::move(job->wholePicture);
}

Bitmap24 PagePictures::LoadThumbnail(const std::string& path, int minLongSide) {
    if (decoder_)
        return LoadFull(path);
    return LoadThumbnailPicture(path, minLongSide,
                                [this](const std::string& p) { return LoadFull(p); });
}

ThumbnailSource PagePictures::ThumbnailPictures() {
    return [this](const std::string& path, int minLongSide) {
        return LoadThumbnail(path, minLongSide);
    };
}

PagePictures::Counters PagePictures::Stats() const {
    const std::lock_guard lock(mutex_);
    return counters_;
}

} // namespace folivex
