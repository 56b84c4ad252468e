// The album-file commands of the main window: opening an album (and album viewing
// mode), closing it, saving it with an optional desktop launcher, opening the launcher
// folder and changing the title. The window hands over its state and a few callbacks,
// so the commands run (and are tested) without it.
#pragma once

#include "albumfile/AlbumText.h"
#include "albumfile/SaveInfo.h"
#include "core/IniFile.h"
#include "core/Settings.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <QCoreApplication>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QWidget;

namespace folivex {

namespace albumtext {
// The file dialogs' filters; their names are translated where shown (ShownFilter).
inline const QString kAlbumFilter = QStringLiteral("設定ﾌｧｲﾙ(*.ajv)|*.ajv");
// The album-open dialog's filter once archives can be opened as albums too.
inline const QString kAlbumOrArchiveFilter = QStringLiteral(
    "設定ﾌｧｲﾙ(*.ajv)|*.ajv|"
    "書庫(*.zip;*.cbz;*.rar;*.cbr;*.7z;*.cb7;*.tar;*.cbt;*.tgz;*.tar.gz;*.tar.bz2;*.tar.xz)|"
    "*.zip;*.cbz;*.rar;*.cbr;*.7z;*.cb7;*.tar;*.cbt;*.tgz;*.tar.gz;*.tar.bz2;*.tar.xz");
// The commands' messages, translated where shown (Text).
inline constexpr const char* kInvalidAlbum =
    QT_TRANSLATE_NOOP("AlbumFile", "画像情報ファイルが不正です。");
inline constexpr const char* kAlbumExists =
    QT_TRANSLATE_NOOP("AlbumFile", "同じ名前のアルバムファイルがあります。\r\n上書きしますか？");
inline constexpr const char* kLauncherExists =
    QT_TRANSLATE_NOOP("AlbumFile", "同じ名前のショートカットがあります。\r\n上書きしますか？");
inline constexpr const char* kNoShortcutFolder =
    QT_TRANSLATE_NOOP("AlbumFile", "ショートカットの作成先が設定されていません。\r\n"
                                   "メニューの[その他|環境設定]のフォルダタブで\r\n"
                                   "ショートカットの作成先を指定してください。");
inline constexpr const char* kBadAlbumName =
    QT_TRANSLATE_NOOP("AlbumFile", "アルバムファイル名「%1」は使えません。");
inline constexpr const char* kTitleCaption = QT_TRANSLATE_NOOP("AlbumFile", "タイトルの変更");
inline constexpr const char* kTitlePrompt =
    QT_TRANSLATE_NOOP("AlbumFile", "タイトルを入力してください");
// One of the texts above as the interface shows it.
QString Text(const char* text);
inline constexpr int kFolderTreeWidth = 180;
} // namespace albumtext

// What the commands change on the main window. Unset callbacks and null items are
// skipped.
struct AlbumWindow {
    std::function<void(const QString&)> setCaption;
    std::function<void(const QString&)> setStatusText; // status panel 1
    std::function<void(int)> setFolderTreeWidth;
    std::function<void(const std::string& folder)> reloadThumbnailCache;
    std::function<void()> drawFrontCover;
    std::function<void()> showViewPage; // msiViewClick
    // Opens a file chosen in the album-open dialog as a picture folder when it is an
    // archive, and says so; unset, the dialog offers album files only.
    std::function<bool(const std::string& path)> openArchive;
    QAction* msiSep1 = nullptr;
    QAction* msiFTVOpen = nullptr;
    QAction* msiAJVClose = nullptr;
    QAction* spbClose = nullptr;
};

struct AlbumPlaces {
    std::string programPath; // the executable, started by launchers
    std::string dataFolder;  // with "/"; holds "AJVs/"
    std::string AlbumFolder() const { return dataFolder + "AJVs/"; }
};

// The caption for the current mode: album viewing mode or plain, then the title.
QString AlbumCaption(const AlbumState& state);
void EnterAlbumViewingMode(AlbumState& state, const AlbumWindow& window);
void LeaveAlbumViewingMode(AlbumState& state, const AlbumWindow& window);

// An album name typed or proposed must name a file inside the album folder.
bool IsUsableAlbumName(const std::string& name);

class AlbumFileCommands {
public:
    AlbumFileCommands(AlbumState& state, PictureList& pictures, Settings& settings,
                      const IniFile* ini, AlbumPlaces places, AlbumWindow window,
                      AlbumTextureHooks texture, QWidget* dialogParent = nullptr);
    ~AlbumFileCommands();

    // Reads an album file and enters album viewing mode. Errors propagate to the
    // caller's report; an empty folder line is warned about here and gives FolderLineEmpty.
    AlbumReadOutcome LoadAlbumFile(const std::string& path);

    void msiAJVOpenClick();
    void msiAJVCloseClick();
    void msiMkAJVClick();
    void spbViewFolderClick();
    void spbWriteTitleClick();

    TdlgSaveInfo& SaveDialog();
    SaveExchange& Exchange() { return exchange_; }

    // Test seams: the modal run of the save dialog, the shell's open action and the
    // volume label lookup.
    void SetSaveDialogRunner(std::function<bool(SaveExchange&)> run) {
        runSaveDialog_ = std::move(run);
    }
    void SetUrlOpener(std::function<bool(const QUrl&)> open) { openUrl_ = std::move(open); }
    void SetVolumeLabelReader(std::function<std::string(const std::string&)> read) {
        volumeLabel_ = std::move(read);
    }

private:
    enum class LauncherResult { Written, Skipped, Declined, Failed };
    LauncherResult MakeLauncher(const std::string& albumPath, const std::string& albumName,
                                std::string& launcherPath);
    bool ChooseLauncherFolder();

    AlbumState& state_;
    PictureList& pictures_;
    Settings& settings_;
    const IniFile* ini_;
    AlbumPlaces places_;
    AlbumWindow window_;
    AlbumTextureHooks texture_;
    QWidget* dialogParent_;
    SaveExchange exchange_;
    std::unique_ptr<TdlgSaveInfo> saveDialog_;
    std::function<bool(SaveExchange&)> runSaveDialog_;
    std::function<bool(const QUrl&)> openUrl_;
    std::function<std::string(const std::string&)> volumeLabel_;
};

} // namespace folivex
