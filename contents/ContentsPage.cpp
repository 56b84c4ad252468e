#include "contents/ContentsPage.h"

#include "contents/PictureRows.h"
#include "contents/ThumbnailBuildLoop.h"
#include "contents/ThumbnailImage.h"
#include "contents/WorkerWait.h"
#include "core/Error.h"
#include "core/Paths.h"
#include "loading/Archive.h"
#include "loading/PictureFile.h"
#include "loading/PictureLoader.h"
#include "ui/Dialogs.h"
#include "ui/Translation.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>
#include <exception>

namespace folivex {

namespace {

constexpr int kFolderPanelWidth = 180;
constexpr int kPatternPanelHeight = 112;
// The status panel's folder text, "ｶﾚﾝﾄﾌｫﾙﾀﾞ:FOLDER".
QString FolderStatus(const std::string& folder) {
    return QCoreApplication::translate("Status", "ｶﾚﾝﾄﾌｫﾙﾀﾞ:%1")
        .arg(QString::fromStdString(folder));
}

// The cell's picture rectangle: the picture keeps its aspect ratio, centred in the cell.
QRect FitInCell(const QRect& cell, int width, int height) {
    const double w = cell.width();
    const double W = width, Hp = height;
    if (Hp < W) {
        const int m = int((w - (Hp / W) * w) / 2);
        return QRect(QPoint(cell.left(), cell.top() + m), QPoint(cell.right(), cell.bottom() - m));
    }
    const int m = int((w - (W / Hp) * w) / 2);
    return QRect(QPoint(cell.left() + m, cell.top()), QPoint(cell.right() - m, cell.bottom()));
}

} // namespace

ContentsPage::ContentsPage(AlbumState& state, PictureList& pictures, const Settings& settings,
                           ContentsHooks hooks, ContentsConfig config, QWidget* parent)
    : QWidget(parent), state_(state), pictures_(pictures), settings_(settings),
      hooks_(std::move(hooks)), config_(std::move(config)) {
    BuildFolderPanel();
    BuildGrid();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(pnlDirSelect);
    layout->addWidget(stgPageList, 1);
    ResetPageList();
}

void ContentsPage::BuildFolderPanel() {
    pnlDirSelect = new QWidget(this);
    pnlDirSelect->setFixedWidth(kFolderPanelWidth);
    auto* column = new QVBoxLayout(pnlDirSelect);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(new QLabel(tr("ﾌｫﾙﾀﾞ"), pnlDirSelect));
    ftvFTree = new TFolderTreeViewPetit(config_.shell, pnlDirSelect);
    column->addWidget(ftvFTree, 1);
    auto* patterns = new QWidget(pnlDirSelect);
    patterns->setFixedHeight(kPatternPanelHeight);
    auto* patternColumn = new QVBoxLayout(patterns);
    patternColumn->setContentsMargins(0, 0, 0, 0);
    patternColumn->setSpacing(0);
    patternColumn->addWidget(new QLabel(tr("読込み可能な画像形式"), patterns));
    clbFileExt = new TFileExtList(patterns);
    patternColumn->addWidget(clbFileExt, 1);
    column->addWidget(patterns);
    clbFileExt->SetPatterns(config_.patterns.empty()
                                ? std::vector<std::string>{"*.bmp", "*.jpg", "*.jpeg"}
                                : config_.patterns);
    connect(ftvFTree, &TFolderTreeViewPetit::Change, this, &ContentsPage::ftvFTreeChange);
}

void ContentsPage::BuildGrid() {
    stgPageList = new TPageListGrid(pictures_, this);
    stgPageList->RowHeader().PaintThumbnail = [this](QPainter* p, const QRect& cell, int row) {
        PaintThumbnail(p, cell, row);
    };
    stgPageList->OnRowsMoved = [this] { ListChanged(); };

    ppmContents = new QMenu(stgPageList);
    ppmAdd = ppmContents->addAction(tr("追加(&A)"));
    ppmDelete = ppmContents->addAction(tr("削除(&D)"));
    ppmDelete->setStatusTip(tr("ｷｬﾚｯﾄのある行を削除します。"));
    ppmDelete->setToolTip(ppmDelete->statusTip());
    ppmAllClear = ppmContents->addAction(tr("すべて削除(&C)"));
    ppmRename = ppmContents->addAction(tr("リネーム(&N)"));
    connect(ppmAdd, &QAction::triggered, this, &ContentsPage::msiAddPicClick);
    connect(ppmDelete, &QAction::triggered, this, &ContentsPage::msiDeletePicClick);
    connect(ppmAllClear, &QAction::triggered, this, &ContentsPage::msiNewClick);
    // Pictures of an archive are written out as copies too; nothing in it is renamed.
    connect(ppmRename, &QAction::triggered, this, [this] {
        if (hooks_.rename)
            hooks_.rename();
    });
    connect(ppmContents, &QMenu::aboutToShow, this, &ContentsPage::ppmContentsPopup);
    stgPageList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(stgPageList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        ppmContents->popup(stgPageList->viewport()->mapToGlobal(pos));
    });
}

void ContentsPage::ListChanged() {
    if (hooks_.listChanged)
        hooks_.listChanged();
}

void ContentsPage::RepaintThumbnails() {
    stgPageList->RowHeader().viewport()->update();
}

void ContentsPage::ResetPageList() {
    pictures_.Reset();
    stgPageList->Model().Refresh();
    stgPageList->ResetGeometry(settings_.thumbnailSize);
}

void ContentsPage::ftvFTreeChange() {
    const std::string directory = ftvFTree->Directory();
    // Syncing the tree to the album's folder must not replace the album's list; a node
    // without a folder (the computer) has nothing to list.
    if (syncingTree_ || directory.empty() || listing_)
        return;
    FillFromFolder(directory, {});
}

bool ContentsPage::OpenFolder(const std::string& directory,
                              const std::function<void()>& beforeFill) {
    if (listing_)
        return false;
    syncingTree_ = true;
    ftvFTree->SetDirectory(directory);
    syncingTree_ = false;
    return FillFromFolder(directory, beforeFill);
}

// A stopped listing leaves the album as it was, so the tree goes back to its folder.
void ContentsPage::ReturnTreeToAlbum() {
    syncingTree_ = true;
    ftvFTree->SetDirectory(state_.pictureFolder);
    syncingTree_ = false;
    if (hooks_.status)
        hooks_.status(state_.pictureFolder.empty()
                          ? QCoreApplication::translate("Status", "ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し")
                          : FolderStatus(state_.pictureFolder));
}

// An archive that is not open yet may take long to list (a solid or compressed one is
// decompressed whole): it is listed on a worker while the window paints. False when
// Esc stopped it.
bool ContentsPage::ListFolder(const std::string& pictureFolder, PictureListing& listing) {
    const std::vector<std::string> patterns = clbFileExt->CheckedPatterns();
    const std::string archive = ArchiveOfFolder(pictureFolder);
    if (archive.empty() || ArchiveShelf::Shared().Find(archive)) {
        listing = ListPictures(pictureFolder, patterns);
        return true;
    }
    std::atomic<std::size_t> met{0};
    auto showCount = [this, &met] {
        if (hooks_.status)
            hooks_.status(QCoreApplication::translate("Status", "書庫を読み込み中 %1 (Escで中止)")
                              .arg(qulonglong(met.load())));
    };
    showCount();
    listing_ = true;
    struct Done {
        bool& listing;
        ~Done() { listing = false; }
    } done{listing_};
    return RunOnWorker(
        window(),
        [&](const std::atomic<bool>& stop) {
            ListingWatch watch{[&stop] { return stop.load(); },
                               [&met](std::size_t n) { met.store(n); }};
            try {
                listing = ListPictures(pictureFolder, patterns, &watch);
            } catch (const ListingStopped&) {
                // asked for by Esc: nothing was kept
            }
        },
        showCount);
}

void ContentsPage::OpenAlbumArchive() {
    const std::string archive = ArchiveOfFolder(state_.pictureFolder);
    if (archive.empty() || listing_ || ArchiveShelf::Shared().Find(archive))
        return;
    PictureListing unused;
    try {
        ListFolder(state_.pictureFolder, unused);
    } catch (const Error& e) {
        ReportPaintError(archive, QString::fromUtf8(e.what()));
    }
    if (hooks_.status)
        hooks_.status(FolderStatus(state_.pictureFolder));
    RepaintThumbnails();
}

bool ContentsPage::FillFromFolder(const std::string& directory,
                                  const std::function<void()>& beforeFill) {
    const std::string folder = PictureFolderOf(directory);
    // An archive that cannot be opened, a damaged archive and a damaged cache are each
    // reported once, after the list and the title show what could be read.
    std::exception_ptr deferred;
    PictureListing listing;
    try {
        if (!ListFolder(folder, listing)) {
            ReturnTreeToAlbum();
            return false;
        }
    } catch (const Error&) {
        deferred = std::current_exception();
    }
    if (beforeFill)
        beforeFill();
    if (!pictures_.IsEmpty())
        ResetPageList();
    failedPaths_.clear();
    state_.pictureFolder = folder;
    if (hooks_.status)
        hooks_.status(FolderStatus(state_.pictureFolder));
    FillPictureRows(pictures_, listing.names);
    stgPageList->Model().Refresh();
    ListChanged();

    try {
        LoadThumbnailCache();
    } catch (const Error&) {
        if (!deferred)
            deferred = std::current_exception();
    }
    state_.albumTitle = AlbumTitleOfFolder(state_.pictureFolder);
    if (!state_.albumViewingMode && hooks_.caption)
        hooks_.caption(WindowCaption(false, state_.albumTitle));
    ReportArchiveListing(listing);
    if (deferred)
        std::rethrow_exception(deferred);
    return true;
}

void ContentsPage::ReportArchiveListing(const PictureListing& listing) {
    const std::string archive = ArchiveOfFolder(state_.pictureFolder);
    if (listing.encrypted)
        AppDialogs().Warning(QString::fromStdString(FormatMessage(msg::kArchivePassword, archive)));
    if (!listing.failure.empty())
        ShowErrorBox(QString::fromStdString(listing.failure));
}

bool ContentsPage::RefuseForArchive(std::string_view warning) {
    if (ArchiveOfFolder(state_.pictureFolder).empty())
        return false;
    AppDialogs().Warning(QString::fromUtf8(warning.data(), qsizetype(warning.size())));
    return true;
}

void ContentsPage::msiAddPicClick() {
    if (!pictures_.IsEmpty() && RefuseForArchive(kArchiveAddRefused))
        return;
    const QString filter =
        config_.pictureFilter.isEmpty()
            ? QStringLiteral("JPEG(*.jpg;*.jpeg)|*.jpg;*.jpeg|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|")
            : config_.pictureFilter;
    const QStringList chosen =
        AppDialogs().OpenFiles(QString::fromStdString(state_.pictureFolder), filter);
    std::vector<std::string> files;
    for (const QString& file : chosen)
        files.push_back(file.toStdString());
    switch (AddPictureFiles(pictures_, state_.pictureFolder, files)) {
    case AddResult::Nothing:
        return;
    case AddResult::OtherFolder:
        AppDialogs().Warning(
            QString::fromUtf8(kOtherFolderWarning.data(), qsizetype(kOtherFolderWarning.size())));
        return;
    case AddResult::Added:
        break;
    }
    stgPageList->Model().Refresh();
    if (hooks_.status)
        hooks_.status(FolderStatus(state_.pictureFolder));
    if (hooks_.storeFolder)
        hooks_.storeFolder(state_.pictureFolder);
    ListChanged();
}

void ContentsPage::msiDeletePicClick() {
    if (!DeletePictureRow(pictures_, stgPageList->CaretRow()))
        return;
    stgPageList->Model().Refresh();
    ListChanged();
}

void ContentsPage::msiNewClick() {
    ResetPageList();
    if (hooks_.status)
        hooks_.status(QCoreApplication::translate("Status", "ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し"));
    ListChanged();
}

void ContentsPage::ppmContentsPopup() {
    const bool picture = !pictures_.FileName(stgPageList->CaretRow()).empty();
    ppmDelete->setEnabled(picture);
    ppmAllClear->setEnabled(picture);
    ppmRename->setEnabled(picture);
    ppmAdd->setEnabled(true);
}

void ContentsPage::speThumSizeChange() {
    stgPageList->ApplyThumbnailSize(settings_.thumbnailSize);
}

void ContentsPage::msiMkThumCacheClick() {
    if (buildLoop_ != nullptr)
        return; // one build at a time
    ThumbnailBuildLoop loop(window());
    buildLoop_ = &loop;
    struct Done {
        ThumbnailBuildLoop*& loop;
        ~Done() { loop = nullptr; }
    } done{buildLoop_};
    const bool built =
        imlThum.Build(pictures_, state_.pictureFolder, settings_.thumbnailSize, config_.cacheFolder,
                      hooks_.pictureSource, hooks_.status, &loop);
    if (!built && hooks_.status)
        hooks_.status(QString::fromStdString(state_.pictureFolder));
    RepaintThumbnails();
}

void ContentsPage::StopThumbnailCacheBuild() {
    if (buildLoop_ != nullptr)
        buildLoop_->Stop();
}

void ContentsPage::LoadThumbnailCache() {
    imlThum.Clear();
    RepaintThumbnails();
    if (!state_.pictureFolder.empty())
        imlThum.Load(config_.cacheFolder, state_.pictureFolder);
}

void ContentsPage::PrepareToShow() {
    if (!state_.pictureFolder.empty()) {
        syncingTree_ = true;
        ftvFTree->SetDirectory(state_.pictureFolder);
        syncingTree_ = false;
    }
    if (state_.page.IsSpreadOpen())
        stgPageList->SetCaretRow(state_.page.currentPage);
}

int ContentsPage::CaretPicture() const {
    const int row = stgPageList->CaretRow();
    return pictures_.FileName(row).empty() ? 0 : row;
}

void ContentsPage::PaintThumbnail(QPainter* painter, const QRect& cell, int row) {
    if (!settings_.thumbnails || state_.activeView != 1 || pictures_.FileName(row).empty())
        return;
    if (!imlThum.IsEmpty())
        PaintFromCache(painter, cell, row);
    else
        PaintFromFile(painter, cell, row);
    if (row == stgPageList->CaretRow() && stgPageList->hasFocus()) {
        painter->setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawRect(cell.adjusted(0, 0, -1, -1));
    }
}

void ContentsPage::PaintFromCache(QPainter* painter, const QRect& cell, int row) {
    bool ok = false;
    const int index = QString::fromStdString(pictures_.At(row).number).toInt(&ok) - 1;
    const QImage image = ok ? imlThum.Image(index) : QImage();
    if (image.isNull())
        return;
    painter->drawImage(cell, image, QRect(0, 0, image.width() - 1, image.height() - 1));
}

void ContentsPage::PaintFromFile(QPainter* painter, const QRect& cell, int row) {
    const std::string path = state_.pictureFolder + pictures_.FileName(row);
    if (failedPaths_.count(path) || !PictureExists(path))
        return;
    Bitmap24 picture;
    try {
        if (hooks_.thumbnailSource)
            picture = hooks_.thumbnailSource(path, cell.width());
        else if (hooks_.pictureSource)
            picture = LoadThumbnailPicture(path, cell.width(), [this](const std::string& p) {
                const std::atomic<bool> never{false};
                return hooks_.pictureSource(p, never);
            });
        else if (IsJpegName(path))
            picture = LoadJpegThumbnail(path, cell.width());
    } catch (const Error& e) {
        ReportPaintError(path, QString::fromUtf8(e.what()));
        return;
    }
    if (picture.empty())
        return;
    painter->fillRect(cell, palette().color(QPalette::Dark));
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(FitInCell(cell, picture.width, picture.height), ToQImage(picture));
}

// Painting may run many times a second: a broken picture is reported once, after the
// paint, and then left blank.
void ContentsPage::ReportPaintError(const std::string& path, const QString& message) {
    failedPaths_.insert(path);
    QTimer::singleShot(0, this, [this, message] {
        if (hooks_.paintError)
            hooks_.paintError(message);
        else
            ShowErrorBox(message);
    });
}

} // namespace folivex
