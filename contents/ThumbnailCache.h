// The thumbnail image list of the contents page and its cache file per picture folder:
// building the thumbnails of every listed picture, saving them, and loading them back.
#pragma once

#include "core/Bitmap24.h"
#include "view/PictureList.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace folivex {

// Decodes a listed picture by its full path; raises the decoder's error.
using PictureSource = std::function<Bitmap24(const std::string& path)>;
// The same, giving up a picture midway (with the decoder's stop error) once `stop` turns
// true: a build stopped with Esc does not wait for a long plug-in decode to end.
using StoppablePictureSource =
    std::function<Bitmap24(const std::string& path, const std::atomic<bool>& stop)>;
// Shows a text in status panel 1 (and repaints it at once).
using StatusText = std::function<void(const QString&)>;

// How a cache build waits for its worker threads without holding up the thread that runs
// it, and learns that it is to stop. An implementation may run an event loop meanwhile.
class ThumbnailBuildWait {
public:
    virtual ~ThumbnailBuildWait() = default;
    // On the building thread: returns once Wake() has been called since the last return,
    // or at once when the build is to stop.
    virtual void Sleep() = 0;
    // From any thread: a picture is ready.
    virtual void Wake() = 0;
    // On the building thread after every picture (a chance to handle other work): true
    // when the build is to stop.
    virtual bool Stopping() = 0;
};

// The cache file of a picture folder: the cache folder, then the folder with every "/"
// and ":" byte left out. Names too long for the file system keep their start and end
// with a hash of the whole name; the root folder, which would give no name, maps to "%".
std::string ThumbnailCacheFileName(std::string_view cacheFolder, std::string_view pictureFolder);

// The build's progress after picture row p of a list of rowCount rows: Trunc(10 p /
// rowCount) filled circles, then empty ones, ten in all.
QString ThumbnailProgressText(int p, int rowCount);

class ThumbnailCache {
public:
    int Width() const { return width_; }
    int Height() const { return height_; }
    int Count() const { return int(images_.size()); }
    bool IsEmpty() const { return images_.empty(); }
    // Image i from 0; a null image past the end (a cache built for another listing).
    QImage Image(int index) const;

    void Clear() { images_.clear(); }

    // LoadThumbnailCache: empties the list, then loads the cache file of pictureFolder
    // when there is one. A damaged file raises its error and leaves the list empty.
    void Load(const std::string& cacheFolder, const std::string& pictureFolder);

    // MakeThumbnailCache: nothing for an empty list. Otherwise makes a size x size
    // thumbnail of every picture row in row order, reporting the progress text after each
    // row, saves the cache file and shows the folder in the status panel. JPEG files are
    // decoded at reduced scale (or from a camera's embedded thumbnail) on worker threads;
    // any other picture through `source`, one at a time on a worker of its own. A picture
    // that fails stops the build with its error; the
    // previous cache file and thumbnails then stay as they were.
    //
    // With `wait`, the building thread never blocks on a worker: it sleeps through
    // `wait` and asks it after every picture whether to stop. A stopped build returns
    // false and leaves the cache file and the thumbnails as they were, as a failed one
    // does; the picture `source` is decoding is told to stop, and the workers are joined
    // before it returns. The list is read only before the first picture.
    bool Build(const PictureList& list, const std::string& pictureFolder, int size,
               const std::string& cacheFolder, const StoppablePictureSource& source,
               const StatusText& status, ThumbnailBuildWait* wait = nullptr);
    bool Build(const PictureList& list, const std::string& pictureFolder, int size,
               const std::string& cacheFolder, const PictureSource& source,
               const StatusText& status, ThumbnailBuildWait* wait = nullptr);

private:
    int width_ = 32;
    int height_ = 32;
    std::vector<QImage> images_;
};

} // namespace folivex
