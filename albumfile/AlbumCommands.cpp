#include "albumfile/AlbumCommands.h"

#include "albumfile/Launcher.h"
#include "albumfile/VolumeLabel.h"
#include "core/Error.h"
#include "core/Paths.h"
#include "core/TextCodec.h"
#include "ui/Dialogs.h"
#include "ui/Translation.h"

#include <QAction>
#include <QDesktopServices>

#include <filesystem>
#include <system_error>

namespace folivex {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

template <typename F, typename... Args> void Call(const F& f, Args&&... args) {
    if (f)
        f(std::forward<Args>(args)...);
}

void SetVisible(QAction* item, bool visible) {
    if (item)
        item->setVisible(visible);
}

void SetEnabled(QAction* item, bool enabled) {
    if (item)
        item->setEnabled(enabled);
}

std::string WithoutTrailingSlash(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

QString albumtext::Text(const char* text) {
    return QCoreApplication::translate("AlbumFile", text);
}

QString AlbumCaption(const AlbumState& state) {
    return WindowCaption(state.albumViewingMode, state.albumTitle);
}

void EnterAlbumViewingMode(AlbumState& state, const AlbumWindow& window) {
    state.albumViewingMode = true;
    Call(window.setCaption, AlbumCaption(state));
    SetVisible(window.msiSep1, false);
    SetVisible(window.msiFTVOpen, false);
    if (window.msiFTVOpen)
        window.msiFTVOpen->setChecked(false);
    Call(window.setFolderTreeWidth, 0);
    SetEnabled(window.msiAJVClose, true);
    SetEnabled(window.spbClose, true);
}

void LeaveAlbumViewingMode(AlbumState& state, const AlbumWindow& window) {
    state.albumViewingMode = false;
    SetVisible(window.msiSep1, true);
    SetVisible(window.msiFTVOpen, true);
    if (window.msiFTVOpen)
        window.msiFTVOpen->setChecked(true);
    Call(window.setFolderTreeWidth, albumtext::kFolderTreeWidth);
    SetEnabled(window.msiAJVClose, false);
    SetEnabled(window.spbClose, false);
    Call(window.setCaption, AlbumCaption(state));
}

bool IsUsableAlbumName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

AlbumFileCommands::AlbumFileCommands(AlbumState& state, PictureList& pictures, Settings& settings,
                                     const IniFile* ini, AlbumPlaces places, AlbumWindow window,
                                     AlbumTextureHooks texture, QWidget* dialogParent)
    : state_(state), pictures_(pictures), settings_(settings), ini_(ini),
      places_(std::move(places)), window_(std::move(window)), texture_(std::move(texture)),
      dialogParent_(dialogParent),
      runSaveDialog_([this](SaveExchange&) { return SaveDialog().exec() == QDialog::Accepted; }),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      volumeLabel_([](const std::string& folder) { return VolumeLabelOf(folder); }) {}

AlbumFileCommands::~AlbumFileCommands() = default;

TdlgSaveInfo& AlbumFileCommands::SaveDialog() {
    if (!saveDialog_)
        saveDialog_ =
            std::make_unique<TdlgSaveInfo>(exchange_, settings_.shortcutFolder, dialogParent_);
    return *saveDialog_;
}

AlbumReadOutcome AlbumFileCommands::LoadAlbumFile(const std::string& path) {
    const auto lines = SplitAlbumLines(ReadAlbumFileBytes(path));
    if (ApplyAlbumLines(lines, path, state_, pictures_, texture_) ==
        AlbumReadOutcome::FolderLineEmpty) {
        AppDialogs().Warning(albumtext::Text(albumtext::kInvalidAlbum));
        return AlbumReadOutcome::FolderLineEmpty;
    }
    Call(window_.setStatusText,
         QCoreApplication::translate("Status", "ｶﾚﾝﾄﾌｫﾙﾀﾞ:%1").arg(Q(state_.pictureFolder)));
    Call(window_.reloadThumbnailCache, state_.pictureFolder);
    EnterAlbumViewingMode(state_, window_);
    state_.albumFile = path;
    return AlbumReadOutcome::Loaded;
}

void AlbumFileCommands::msiAJVOpenClick() {
    const std::string current =
        ini_ ? ini_->ReadString("Folder", "CurrentFolder", places_.dataFolder) : places_.dataFolder;
    // "CurrentFolder" also takes the folder pictures were last added from, which has no
    // "AJVs" of its own: the dialog then starts in the program's album folder, where the
    // albums are saved, not wherever the toolkit falls back to.
    std::string start = WithTrailingSlash(current) + "AJVs";
    std::error_code missing;
    if (!std::filesystem::is_directory(start, missing))
        start = places_.dataFolder + "AJVs";
    const QString chosen = AppDialogs().OpenFile(
        Q(start), window_.openArchive ? albumtext::kAlbumOrArchiveFilter : albumtext::kAlbumFilter);
    const bool archive =
        !chosen.isEmpty() && window_.openArchive && window_.openArchive(chosen.toStdString());
    if (!chosen.isEmpty() && !archive)
        LoadAlbumFile(chosen.toStdString());
    state_.page.currentPage = PageModel::kFrontCover;
    state_.activeView = -1;
    Call(window_.showViewPage);
}

void AlbumFileCommands::msiAJVCloseClick() {
    LeaveAlbumViewingMode(state_, window_);
}

void AlbumFileCommands::msiMkAJVClick() {
    // The folder-name cover is not stored; the album shows its title instead, from now on.
    if (state_.coverMode == 2)
        state_.coverMode = 0;
    const std::string text = BuildAlbumText(state_, pictures_);
    const std::string proposal =
        ProposedAlbumName(volumeLabel_(state_.pictureFolder), state_.pictureFolder);

    exchange_.saveNameText = Q(places_.dataFolder);
    exchange_.saveProposalText = Q(proposal);
    exchange_.folderPicked = false;
    exchange_.shownFolder.clear();
    if (!runSaveDialog_(exchange_))
        return;

    const std::string name =
        exchange_.saveNameText.isEmpty() ? proposal : exchange_.saveNameText.toStdString();
    if (!IsUsableAlbumName(name)) {
        AppDialogs().Warning(albumtext::Text(albumtext::kBadAlbumName).arg(Q(name)));
        return;
    }
    const std::string folder = places_.AlbumFolder();
    const std::string fileName = name + ".ajv";
    const std::string albumPath = folder + fileName;
    if (FileExists(albumPath) && !AppDialogs().Confirm(albumtext::Text(albumtext::kAlbumExists)))
        return;
    WriteFileReplacing(albumPath, EncodeFileText(text));

    std::string launcherPath;
    const LauncherResult launcher = exchange_.shortcutChoice == 0
                                        ? LauncherResult::Skipped
                                        : MakeLauncher(albumPath, name, launcherPath);
    if (launcher == LauncherResult::Declined)
        return;
    if (launcher == LauncherResult::Failed)
        AppDialogs().Warning(Q(FormatMessage(msg::kCannotCreate, launcherPath)));
    if (launcher != LauncherResult::Written) {
        AppDialogs().ConfirmOk(QCoreApplication::translate(
                                   "AlbumFile", "%1に\r\n%2といアルバムファイルを保存しました。")
                                   .arg(Q(folder), Q(fileName)));
        return;
    }
    AppDialogs().ConfirmOk(QCoreApplication::translate(
                               "AlbumFile", "%1フォルダに\r\n%2アルバムファイルを保存しました。\r\n"
                                            "また%3フォルダに\r\n%4ショートカットを保存しました。")
                               .arg(Q(folder), Q(fileName), Q(FolderOfPath(launcherPath)),
                                    Q(launcherPath.substr(FolderOfPath(launcherPath).size()))));
}

// Choice 2 takes the folder picked in the dialog, or the one it still shows from an
// earlier save; without one, and for choice 1 without a folder in the settings, the
// folder chooser asks. The choice becomes the setting.
bool AlbumFileCommands::ChooseLauncherFolder() {
    std::string folder = settings_.shortcutFolder;
    if (exchange_.shortcutChoice == 2)
        folder = (exchange_.folderPicked ? exchange_.saveProposalText : exchange_.shownFolder)
                     .toStdString();
    if (folder.empty())
        folder = AppDialogs().BrowseForFolder(Q(settings_.shortcutFolder)).toStdString();
    if (folder.empty())
        return false;
    settings_.shortcutFolder = WithTrailingSlash(folder);
    return true;
}

AlbumFileCommands::LauncherResult AlbumFileCommands::MakeLauncher(const std::string& albumPath,
                                                                  const std::string& albumName,
                                                                  std::string& launcherPath) {
    if (!ChooseLauncherFolder())
        return LauncherResult::Skipped;
    std::string baseName = LauncherFileName(state_.albumTitle);
    if (baseName.empty())
        baseName = albumName;
    launcherPath = settings_.shortcutFolder + baseName + ".desktop";
    if (FileExists(launcherPath) &&
        !AppDialogs().Confirm(albumtext::Text(albumtext::kLauncherExists)))
        return LauncherResult::Declined;
    const std::string title = state_.albumTitle.empty() ? albumName : state_.albumTitle;
    const bool written =
        CreateShortcut(launcherPath, places_.programPath, ShowState::Normal,
                       WithoutTrailingSlash(FolderOfPath(albumPath)), albumPath, title);
    return written ? LauncherResult::Written : LauncherResult::Failed;
}

void AlbumFileCommands::spbViewFolderClick() {
    if (settings_.shortcutFolder.empty()) {
        AppDialogs().Warning(albumtext::Text(albumtext::kNoShortcutFolder));
        return;
    }
    openUrl_(QUrl::fromLocalFile(Q(settings_.shortcutFolder)));
}

void AlbumFileCommands::spbWriteTitleClick() {
    if (auto title =
            AppDialogs().InputBox(albumtext::Text(albumtext::kTitleCaption),
                                  albumtext::Text(albumtext::kTitlePrompt), Q(state_.albumTitle)))
        state_.albumTitle = title->toStdString();
    Call(window_.setCaption, AlbumCaption(state_));
    if (state_.page.IsFrontCover())
        Call(window_.drawFrontCover);
}

} // namespace folivex
