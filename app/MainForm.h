// The main window: menus, toolbars, the View and Contents pages, the status panel, and
// the album state of the running album. The commands of the album view, contents page
// and album files are plain classes that this window calls.
#pragma once

#include "core/IniFile.h"
#include "core/Settings.h"
#include "toolbars/MainToolbars.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QScrollBar>
#include <QStackedWidget>
#include <QToolButton>

#include <memory>
#include <optional>
#include <vector>

class QLineEdit;

namespace folivex {

class TfrmOptionDlg;
class TfrmRename;
struct RenameSettings;
class TSPIs;
class ReadingPositions;
class PagePictures;
class ReadableFormats;
class BookView;
class Navigator;
class ContentsPage;
class AlbumFileCommands;
class PageImage;
struct NavigatorServices;

struct MainFormOptions {
    QString programFolder; // with trailing "/"
    QString dataFolder;    // with trailing "/"
    QStringList arguments; // command-line arguments after the program name
    int screenWidth = 0;   // 0: the primary screen's
    int screenHeight = 0;
};

class TfrmFXMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmFXMainForm(MainFormOptions options, QWidget* parent = nullptr);
    ~TfrmFXMainForm() override;

    // Start-up steps after the window exists (settings, plug-ins, folders).
    void FormCreate();
    // Writes the settings back; runs whenever the window closes.
    void FormClose();
    // Runs once when the window is first shown.
    void FormShow();
    // Re-enters full screen when the last run ended in it.
    void RestoreFullScreen();

    // A second start handed over an album path, or only asked us to come forward.
    void ReceiveForwarded(const std::optional<QString>& albumPath);

    // Reads an album file; true when album viewing mode was entered. Errors propagate.
    bool LoadAlbumFile(const QString& path);
    // Opens an archive file as the picture folder, as choosing it in the folder tree
    // does (leaving album viewing mode); false, and nothing done, for any other path.
    // Errors propagate.
    bool OpenArchive(const QString& path);
    // What a command-line or forwarded path opened.
    enum class OpenedAs { Refused, Nothing, AlbumFile, Listing };
    // An album file, an archive, a folder, or a picture's folder at that picture's
    // spread; anything else gets a warning and changes nothing.
    OpenedAs OpenArgument(const QString& path);
    void DrawFrontCover();
    void DrawBackCover();
    void ShowSpread();
    void LayoutOpenBook();
    void TileTexture();

    BookView& Book() { return *book_; }
    Navigator& Nav() { return *nav_; }
    ContentsPage& Contents() { return *contents_; }
    AlbumFileCommands& AlbumFiles() { return *albumFiles_; }
    ReadableFormats& Formats() { return *formats_; }
    // Replaces how the navigation reaches the outside world (tests).
    void SetNavigatorServices(const NavigatorServices& services);

    MainToolbars& Bars() { return *bars_; }
    AlbumState& State() { return state_; }
    Settings& CurrentSettings() { return settings_; }
    IniFile& Ini() { return *ini_; }
    PictureList& Pictures() { return pictures_; }
    int RowCount() const { return pictures_.RowCount(); }
    QString StatusPanelText(int panel) const;

    // Commands of the shell.
    void msiViewClick();
    void msiContentsClick();
    void msiFTVOpenClick();
    void msiConfigClick();
    // senderChecked: the mark the clicked full-screen item had before the click (the
    // three items always agree); unchecked enters full screen.
    void msiAllDispClick(bool senderChecked);
    void msiHideAllToolBarClick();
    void msiHideAlbumFileBarClick();
    void msiHideBasicBarClick();
    void msiHideAlbumConfBarClick();
    void msiHideStatusBarClick();
    void msiViewHelpClick();
    void msiVersionClick();
    void msiExitClick();
    void ppmRenameClick();
    void spbAlbumConfClick(QAction* sender);
    void msiNextPrevClick(bool next);
    // "続きから読む": opens the book at the spread where reading of this album stopped.
    void msiResumeClick();
    ReadingPositions& Positions() { return *positions_; }
    void spdSearchClick();
    void spbSDownClick();
    void spbSUpClick();
    TfrmOptionDlg& OptionDialog();
    void UpdatePageCounter();

    // Named controls, public so the commands of other modules and the tests reach them.
    QMenu *mniFile, *mniView, *mniEdit, *mniOperation, *mniOther, *mniWindow, *mniHelp;
    QAction *msiAJVOpen, *msiAJVSave, *msiAJVClose, *msiExit;
    QAction *msiView, *Contents1, *msiSep1, *msiFTVOpen;
    QAction *msiMkThumCa, *msiAdd, *edtDelete, *msiAllClear;
    QAction *msiNext, *msiPrev, *msiLAutoChange, *msiRAutoChange, *msiAutoStop;
    QAction* msiResume;
    QMenu* msiAutoChange;
    QAction* msiConfig;
    QAction *msiAllDisp, *msiHideAllToolBar, *msiHideAlbumFileBar, *msiHideBasicBar,
        *msiHideAlbumConfBar, *msiHideStatusBar;
    QAction *msiViewHelp, *msiVersion;

    QMenu *ppmRPoPMenu, *ppmLPoPMenu;
    QAction *ppmRBilinear, *ppmLBilinear, *ppmRAutoChange, *ppmLAutoChange, *ppmRAutoStop,
        *ppmLAutoStop, *ppmRAllDisp, *ppmLAllDisp, *ppmRClose, *ppmLClose;

    QWidget* pnlBase;
    QLabel* imgBase;
    QLabel* imgBaseTexture;
    QStackedWidget* ntbBase;
    QWidget* viewPage;
    QWidget* contentsPage;
    PageImage *imgLeftPage, *imgRightPage;

    QWidget* pnlStatus;
    QToolButton *spdSearch, *spbSDown, *spbSUp;
    QLineEdit* edtSearch;
    QScrollBar* scbStatus;
    QLabel *stbPanel0, *stbPanel1;
    QLabel* stbResume; // "続きあり: N/M" on a cover of an album with a kept position

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    void FormResize();
    // FormKeyDown: Space and Backspace turn the pages on the View page. True when the
    // key was taken.
    bool FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    // The toggles change the client area; the book is laid out again at once, with the
    // new size.
    void RelayOutNow();

    MainFormOptions options_;
    Settings settings_;
    std::unique_ptr<IniFile> ini_;
    AlbumState state_;
    QImage texture_;
    PictureList pictures_;
    bool shown_ = false;
    bool keyPreview_ = true;
    bool keepPosSize_ = false;
    bool relayingOut_ = false;
    bool resizePending_ = false;
    std::unique_ptr<TSPIs> spis_;
    std::unique_ptr<ReadableFormats> formats_;
    // After the plug-ins, so that its workers stop before the plug-ins are unloaded.
    std::unique_ptr<PagePictures> pagePictures_;
    std::unique_ptr<BookView> book_;
    std::unique_ptr<Navigator> nav_;
    ContentsPage* contents_ = nullptr;
    MainToolbars* bars_ = nullptr;
    std::unique_ptr<AlbumFileCommands> albumFiles_;
    std::unique_ptr<TfrmOptionDlg> optionDlg_;
    std::unique_ptr<RenameSettings> renameSettings_;
    std::unique_ptr<TfrmRename> renameDlg_;
    std::unique_ptr<ReadingPositions> positions_;
    std::string positionsAlbum_; // the album whose positions were last noted

private:
    struct ListRefresh;
    void FitPageScrollBar();
    OpenedAs OpenListing(const std::string& folder);
    int RowOfFile(const std::string& fileName) const; // 0: not listed
    void BuildMenus();
    void BuildPopupMenus();
    void BuildToolbars();
    void BuildClientArea();
    void BuildStatusPanel();
    void ApplyModeButtons();
    void SetFullScreenChecks(bool checked);
    void BuildViewModules();
    void BuildContentsPage();
    void BuildAlbumFiles();
    void SearchPlugIns();
    void ConnectCommands();
    void Search(bool forward);
    bool PreviewsKeysOf(QObject* receiver) const;
    void PlaceBaseImages();
    void CommitTypedComment();
    void ShowPageChrome(bool contents);
    // Albums forwarded by second starts while the thumbnail cache was being built.
    void ReceiveWaitingForwards();
    // Reading positions: the album's name in the store, noting the spread just drawn,
    // writing the store when another album opens, and the status panel's note.
    std::string PositionKey() const;
    void KeepPosition();
    void NoteAlbumChange();
    void SavePositions();
    void ShowKeptPosition();
    bool ResumeReading();
    std::vector<std::optional<QString>> forwardedDuringBuild_;
};

} // namespace folivex
