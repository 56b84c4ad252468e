// The contents page: the folder panel (folder tree and pattern check list), the picture
// list grid with its pop-up menu, the thumbnails and the thumbnail cache. It works on
// the main window's album state, picture list and settings, and reports to the window
// through callbacks, so it runs and is tested without the main window.
#pragma once

#include "contents/FileExtList.h"
#include "contents/FolderTreeView.h"
#include "contents/PageListGrid.h"
#include "contents/PictureRows.h"
#include "contents/ThumbnailCache.h"
#include "core/Settings.h"
#include "loading/PagePictures.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <QMenu>
#include <QWidget>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace folivex {

class ThumbnailBuildLoop;

struct ContentsHooks {
    StatusText status;                                   // status panel 1 (repaint at once)
    std::function<void(const QString&)> caption;         // the window caption
    std::function<void(const std::string&)> storeFolder; // settings Folder/CurrentFolder
    StoppablePictureSource pictureSource;                // non-JPEG pictures
    ThumbnailSource thumbnailSource;                     // thumbnails painted from files
    std::function<void()> listChanged;                   // rows added, deleted or moved
    std::function<void()> rename;                        // the pop-up's rename item
    // Errors met while painting thumbnails; shown after the paint, not inside it.
    std::function<void(const QString&)> paintError;
};

struct ContentsConfig {
    std::string cacheFolder;           // the data folder's "Cache/"
    QString pictureFilter;             // the picture open dialog's filter
    std::vector<std::string> patterns; // entries of the pattern check list
    ShellEnvironment shell = ShellEnvironment::FromSystem();
};

class ContentsPage : public QWidget {
    Q_OBJECT
public:
    ContentsPage(AlbumState& state, PictureList& pictures, const Settings& settings,
                 ContentsHooks hooks, ContentsConfig config, QWidget* parent = nullptr);

    QWidget* pnlDirSelect;
    TFolderTreeViewPetit* ftvFTree;
    TFileExtList* clbFileExt;
    TPageListGrid* stgPageList;
    QMenu* ppmContents;
    QAction *ppmAdd, *ppmDelete, *ppmAllClear, *ppmRename;
    ThumbnailCache imlThum;

    // The empty list and the grid's geometry.
    void ResetPageList();
    // Fills the list from the folder selected in the tree (ftvFTree.OnChange).
    void ftvFTreeChange();
    // Fills the list from a folder or an archive named outside the tree (the command
    // line, the album-open dialog), as choosing it in the tree does; the tree follows.
    // An archive not open yet is listed on a worker while the window paints and the
    // status panel counts the files met; input other than Esc is held off. Esc stops it
    // and returns false with the list, the folder, the title and the tree as they were.
    // `beforeFill` runs once the listing is done, before anything changes.
    bool OpenFolder(const std::string& directory, const std::function<void()>& beforeFill = {});
    bool ListingArchive() const { return listing_; }
    // An album file's pictures in an archive that is not open yet: the archive is listed
    // here, as OpenFolder lists it, so that painting the rows never has to. The list
    // stays the album file's; an archive that cannot be opened is reported once.
    void OpenAlbumArchive();
    void msiAddPicClick();    // AddPictures
    void msiDeletePicClick(); // the caret row
    void msiNewClick();       // clear
    void ppmContentsPopup();  // enables the pop-up's items
    void speThumSizeChange();
    // MakeThumbnailCache. The pictures are made on worker threads while this waits in a
    // local event loop (see ThumbnailBuildLoop): the window paints, input other than Esc
    // is held off until the build ends, Esc stops it and keeps the previous cache.
    void msiMkThumCacheClick();
    bool BuildingThumbnailCache() const { return buildLoop_ != nullptr; }
    // What Esc does during a build.
    void StopThumbnailCacheBuild();
    void LoadThumbnailCache();

    // What showing the contents view does to the list before the page switch: the tree
    // goes to PictureFolder (keeping the list as it is) and the caret to CurrentPage.
    void PrepareToShow();
    // The caret row when it holds a picture, else 0: the new CurrentPage when the
    // view page is shown again.
    int CaretPicture() const;

    // Paints row `row`'s thumbnail into the cell (the fixed column 0).
    void PaintThumbnail(QPainter* painter, const QRect& cell, int row);

    void SetFolderPanelVisible(bool visible) { pnlDirSelect->setVisible(visible); }

    // Shows the warning and returns true when the picture folder is an archive, whose
    // pictures can be neither added to nor renamed.
    bool RefuseForArchive(std::string_view warning);

private:
    void BuildFolderPanel();
    void BuildGrid();
    void ListChanged();
    void PaintFromCache(QPainter* painter, const QRect& cell, int row);
    void PaintFromFile(QPainter* painter, const QRect& cell, int row);
    bool FillFromFolder(const std::string& directory, const std::function<void()>& beforeFill);
    bool ListFolder(const std::string& pictureFolder, PictureListing& listing);
    void ReturnTreeToAlbum();
    void ReportArchiveListing(const PictureListing& listing);
    void ReportPaintError(const std::string& path, const QString& message);
    void RepaintThumbnails();

    AlbumState& state_;
    PictureList& pictures_;
    const Settings& settings_;
    ContentsHooks hooks_;
    ContentsConfig config_;
    bool syncingTree_ = false;
    ThumbnailBuildLoop* buildLoop_ = nullptr;
    bool listing_ = false;
    std::set<std::string> failedPaths_;
};

} // namespace folivex
