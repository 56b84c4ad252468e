#include "app/MainForm.h"

#include "albumfile/AlbumCommands.h"
#include "app/Application.h"
#include "app/PathText.h"
#include "contents/ContentsPage.h"
#include "contents/FolderTreeView.h"
#include "contents/OpenTarget.h"
#include "contents/PageListGrid.h"
#include "contents/Search.h"
#include "contents/ThumbnailBuildLoop.h"
#include "contents/ThumbnailImage.h"
#include "core/Error.h"
#include "core/Paths.h"
#include "loading/Archive.h"
#include "loading/JpegDecoder.h"
#include "loading/PagePictures.h"
#include "loading/ReadableFormats.h"
#include "loading/SPIBitmap.h"
#include "loading/SPIs.h"
#include "options/OptionDlg.h"
#include "options/OptionValues.h"
#include "options/Rename.h"
#include "resources/DefaultTexture.h"
#include "resources/Icons.h"
#include "toolbars/MainToolbars.h"
#include "ui/Dialogs.h"
#include "ui/Translation.h"
#include "view/BookView.h"
#include "view/Navigator.h"
#include "view/PageImage.h"
#include "view/ReadingPositions.h"
#include "view/SettingsFile.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QShortcutEvent>
#include <QSoundEffect>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace folivex {

namespace {

QAction* AddItem(QMenu* menu, const QString& caption, QObject* owner = nullptr) {
    QAction* a = menu->addAction(caption);
    if (owner)
        a->setParent(owner);
    return a;
}

// The menu bar grabs the mnemonic of every menu it holds, hidden ones too: a hidden
// "編集(&E)" would share Alt+E with "その他(&E)" and take the first press itself. A hidden
// menu therefore leaves the bar, and comes back in front of `before`.
void ShowBarMenu(QMenuBar* bar, QMenu* menu, QMenu* before, bool shown) {
    QAction* item = menu->menuAction();
    item->setVisible(shown);
    if (!shown)
        bar->removeAction(item);
    else if (!bar->actions().contains(item))
        bar->insertAction(before->menuAction(), item);
}

// Two menus the bar shows may share a mnemonic: "編集(&E)" and "その他(&E)" on the contents
// page. Qt then hands each press to the next of them in turn, so Alt+E opened the other
// menu every second time. The leftmost menu with the key opens on every press instead.
bool OpenLeftmostMenuOfMnemonic(QMenuBar* bar, const QKeySequence& key) {
    const QList<QAction*> items = bar->actions();
    const auto leftmost = std::find_if(items.begin(), items.end(), [&key](QAction* item) {
        return item->isVisible() && item->isEnabled() && item->menu() &&
               QKeySequence::mnemonic(item->text()) == key;
    });
    if (leftmost == items.end())
        return false;
    bar->setActiveAction(*leftmost);
    return true;
}

} // namespace

TfrmFXMainForm::TfrmFXMainForm(MainFormOptions options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)) {
    setObjectName(QStringLiteral("frmFXMainForm"));
    // Toolbars move at once, as the book's layout expects: the main window's animation of
    // them crashed inside Qt when a resize came while toolbars were hidden and shown.
    setAnimated(false);
    setWindowTitle(QStringLiteral("Folivex"));
    // The Japanese interface keeps the Windows edition's font; the English one the desktop's.
    if (!EnglishInterface()) {
        QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
        f.setPixelSize(12);
        setFont(f);
    }
    BuildMenus();
    BuildPopupMenus();
    BuildToolbars();
    BuildClientArea();
    BuildStatusPanel();
    texture_ = DefaultTexture();
    pagePictures_ = std::make_unique<PagePictures>();
    formats_ = std::make_unique<ReadableFormats>();
    BuildViewModules();
    ConnectCommands();
    // Keyboard preview: the window sees Space and Backspace before whatever control has
    // the focus (a toolbar or status-bar button would take Space as its own click).
    qApp->installEventFilter(this);
    // The book follows every change of the client area: window resizes, toolbars and the
    // status bar shown or hidden, toolbars docked or floated.
    pnlBase->installEventFilter(this);
}

TfrmFXMainForm::~TfrmFXMainForm() = default;

void TfrmFXMainForm::BuildMenus() {
    QMenuBar* bar = menuBar();
    mniFile = bar->addMenu(tr("ﾌｧｲﾙ(&F)"));
    msiAJVOpen = AddItem(mniFile, tr("開く(&O)"));
    msiAJVSave = AddItem(mniFile, tr("保存(&S)"));
    msiAJVClose = AddItem(mniFile, tr("閉じる"));
    msiAJVClose->setEnabled(false);
    mniFile->addSeparator();
    msiExit = AddItem(mniFile, tr("Folivexの終了(&X)"));

    mniView = bar->addMenu(tr("表示(&V)"));
    msiView = AddItem(mniView, tr("ﾋﾞｭｰ(&V)"));
    msiView->setShortcut(Qt::Key_F2);
    Contents1 = AddItem(mniView, tr("目次(&C)"));
    Contents1->setShortcut(Qt::Key_F3);
    msiSep1 = mniView->addSeparator();
    msiSep1->setVisible(false);
    msiFTVOpen = AddItem(mniView, tr("ﾌｫﾙﾀﾞﾂﾘｰを開く"));
    msiFTVOpen->setCheckable(true);
    msiFTVOpen->setChecked(true);
    msiFTVOpen->setVisible(false);

    mniEdit = bar->addMenu(tr("編集(&E)"));
    msiMkThumCa = AddItem(mniEdit, tr("ｻﾑﾈｲﾙｷｬｯｼｭを作成(&T)"));
    mniEdit->addSeparator();
    msiAdd = AddItem(mniEdit, tr("画像の追加(&A)"));
    edtDelete = AddItem(mniEdit, tr("画像の削除(&D)"));
    mniEdit->addSeparator();
    msiAllClear = AddItem(mniEdit, tr("全て削除(&C)"));

    mniOperation = bar->addMenu(tr("操作(&O)"));
    msiNext = AddItem(mniOperation, tr("次ページ(&N)"));
    msiPrev = AddItem(mniOperation, tr("前ページ(&P)"));
    msiResume = mniOperation->addAction(tr("続きから読む(&R)"));
    msiResume->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    msiResume->setEnabled(false);
    mniOperation->addSeparator();
    msiAutoChange = mniOperation->addMenu(tr("自動ページめくり(&A)"));
    msiLAutoChange = AddItem(msiAutoChange, tr("→右めくり(&R)"));
    msiRAutoChange = AddItem(msiAutoChange, tr("← 左めくり(&L)"));
    msiAutoChange->addSeparator();
    msiAutoStop = AddItem(msiAutoChange, tr("自動ページめくり終了(&S)"));

    mniOther = bar->addMenu(tr("その他(&E)"));
    msiConfig = AddItem(mniOther, tr("環境設定(&C)"));

    mniWindow = bar->addMenu(tr("ｳｨﾝﾄﾞｳ(&W)"));
    msiAllDisp = AddItem(mniWindow, tr("全画面表示(&A)"));
    msiAllDisp->setCheckable(true);
    mniWindow->addSeparator();
    msiHideAllToolBar = AddItem(mniWindow, tr("全ﾂｰﾙﾊﾞｰを隠す(&H)"));
    msiHideAlbumFileBar = AddItem(mniWindow, tr("ｱﾙﾊﾞﾑﾌｧｲﾙﾂｰﾙﾊﾞｰを隠す(&F)"));
    msiHideBasicBar = AddItem(mniWindow, tr("基本ツールバーを隠す(&B)"));
    msiHideAlbumConfBar = AddItem(mniWindow, tr("ｱﾙﾊﾞﾑ設定ﾂｰﾙﾊﾞｰを隠す(&C)"));
    mniWindow->addSeparator();
    msiHideStatusBar = AddItem(mniWindow, tr("ステータスバーを隠す(&S)"));
    msiHideStatusBar->setCheckable(true);

    mniHelp = bar->addMenu(tr("ﾍﾙﾌﾟ(&H)"));
    msiViewHelp = AddItem(mniHelp, tr("目次"));
    mniHelp->addSeparator();
    msiVersion = AddItem(mniHelp, tr("バージョン情報(&V)"));

    connect(msiExit, &QAction::triggered, this, &TfrmFXMainForm::msiExitClick);
    connect(msiView, &QAction::triggered, this, &TfrmFXMainForm::msiViewClick);
    connect(Contents1, &QAction::triggered, this, &TfrmFXMainForm::msiContentsClick);
    connect(msiFTVOpen, &QAction::triggered, this, &TfrmFXMainForm::msiFTVOpenClick);
    connect(msiConfig, &QAction::triggered, this, &TfrmFXMainForm::msiConfigClick);
    connect(msiAllDisp, &QAction::triggered, this,
            [this] { msiAllDispClick(!msiAllDisp->isChecked()); });
    connect(msiHideAllToolBar, &QAction::triggered, this, &TfrmFXMainForm::msiHideAllToolBarClick);
    connect(msiHideAlbumFileBar, &QAction::triggered, this,
            &TfrmFXMainForm::msiHideAlbumFileBarClick);
    connect(msiHideBasicBar, &QAction::triggered, this, &TfrmFXMainForm::msiHideBasicBarClick);
    connect(msiHideAlbumConfBar, &QAction::triggered, this,
            &TfrmFXMainForm::msiHideAlbumConfBarClick);
    connect(msiHideStatusBar, &QAction::triggered, this, &TfrmFXMainForm::msiHideStatusBarClick);
    connect(msiViewHelp, &QAction::triggered, this, &TfrmFXMainForm::msiViewHelpClick);
    connect(msiVersion, &QAction::triggered, this, &TfrmFXMainForm::msiVersionClick);
}

void TfrmFXMainForm::BuildPopupMenus() {
    auto build = [this](QMenu*& menu, QAction*& bilinear, QAction*& autoChange,
                        const QString& autoCaption, QAction*& autoStop, QAction*& allDisp,
                        QAction*& close) {
        menu = new QMenu(this);
        bilinear = AddItem(menu, tr("きれいに表示(&B)"));
        menu->addSeparator();
        autoChange = AddItem(menu, autoCaption);
        autoStop = AddItem(menu, tr("停止(&S)"));
        menu->addSeparator();
        allDisp = AddItem(menu, tr("全画面表示(&A)"));
        allDisp->setCheckable(true);
        menu->addSeparator();
        close = AddItem(menu, tr("閉じる(&X)"));
        connect(close, &QAction::triggered, this, &TfrmFXMainForm::msiExitClick);
    };
    build(ppmRPoPMenu, ppmRBilinear, ppmRAutoChange, tr("自動ページめくり→"), ppmRAutoStop,
          ppmRAllDisp, ppmRClose);
    build(ppmLPoPMenu, ppmLBilinear, ppmLAutoChange, tr("←自動ページめくり"), ppmLAutoStop,
          ppmLAllDisp, ppmLClose);
    connect(ppmRAllDisp, &QAction::triggered, this,
            [this] { msiAllDispClick(!ppmRAllDisp->isChecked()); });
    connect(ppmLAllDisp, &QAction::triggered, this,
            [this] { msiAllDispClick(!ppmLAllDisp->isChecked()); });
}

void TfrmFXMainForm::BuildToolbars() {
    bars_ = new MainToolbars(
        this, {msiHideAllToolBar, msiHideAlbumFileBar, msiHideBasicBar, msiHideAlbumConfBar});
    connect(bars_->spbView, &QAction::triggered, this, &TfrmFXMainForm::msiViewClick);
    connect(bars_->spbContents, &QAction::triggered, this, &TfrmFXMainForm::msiContentsClick);
    connect(bars_->spbConfig, &QAction::triggered, this, &TfrmFXMainForm::msiConfigClick);
}

void TfrmFXMainForm::BuildClientArea() {
    pnlBase = new QWidget(this);
    pnlBase->setObjectName(QStringLiteral("pnlBase"));
    imgBase = new QLabel(pnlBase);
    imgBase->setObjectName(QStringLiteral("imgBase"));
    imgBaseTexture = new QLabel(pnlBase);
    imgBaseTexture->setScaledContents(true);
    imgBaseTexture->setAttribute(Qt::WA_TransparentForMouseEvents);
    ntbBase = new QStackedWidget(pnlBase);
    viewPage = new QWidget;
    imgLeftPage = new PageImage(viewPage);
    imgRightPage = new PageImage(viewPage);
    imgLeftPage->setContextMenuPolicy(Qt::CustomContextMenu);
    imgRightPage->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(imgLeftPage, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ppmLPoPMenu->popup(imgLeftPage->mapToGlobal(p)); });
    connect(imgRightPage, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ppmRPoPMenu->popup(imgRightPage->mapToGlobal(p)); });
    contentsPage = new QWidget;
    auto* contentsLayout = new QVBoxLayout(contentsPage);
    contentsLayout->setContentsMargins(0, 0, 0, 0);
    ntbBase->addWidget(viewPage);
    ntbBase->addWidget(contentsPage);
    setCentralWidget(pnlBase);
}

void TfrmFXMainForm::BuildStatusPanel() {
    pnlStatus = new QWidget(this);
    auto* row = new QHBoxLayout(pnlStatus);
    row->setContentsMargins(2, 1, 2, 1);
    row->setSpacing(2);
    spdSearch = new QToolButton(pnlStatus);
    spdSearch->setText(tr("検索"));
    spdSearch->setCheckable(true);
    edtSearch = new QLineEdit(pnlStatus);
    spbSDown = new QToolButton(pnlStatus);
    spbSDown->setText(QStringLiteral("▼"));
    spbSUp = new QToolButton(pnlStatus);
    spbSUp->setText(QStringLiteral("▲"));
    scbStatus = new QScrollBar(Qt::Horizontal, pnlStatus);
    scbStatus->setMinimum(1);
    scbStatus->setMaximum(1);
    stbPanel0 = new QLabel(pnlStatus);
    stbPanel0->setFixedWidth(100);
    stbPanel0->setAlignment(Qt::AlignCenter);
    stbPanel0->setFrameShape(QFrame::Panel);
    stbPanel0->setFrameShadow(QFrame::Sunken);
    stbPanel1 = new QLabel(pnlStatus);
    stbPanel1->setFrameShape(QFrame::Panel);
    stbPanel1->setFrameShadow(QFrame::Sunken);
    row->addWidget(spdSearch);
    row->addWidget(edtSearch, 1);
    row->addWidget(spbSDown);
    row->addWidget(spbSUp);
    row->addWidget(scbStatus, 1);
    stbResume = new QLabel(pnlStatus);
    stbResume->setFrameShape(QFrame::Panel);
    stbResume->setFrameShadow(QFrame::Sunken);
    stbResume->hide();
    row->addWidget(stbPanel0);
    row->addWidget(stbResume);
    row->addWidget(stbPanel1, 1);
    pnlStatus->setFixedHeight(25);
    statusBar()->addWidget(pnlStatus, 1);
    statusBar()->setSizeGripEnabled(false);
}

QString TfrmFXMainForm::StatusPanelText(int panel) const {
    return panel == 0 ? stbPanel0->text() : stbPanel1->text();
}

void TfrmFXMainForm::FormCreate() {
    state_ = AlbumState{};
    ini_ = std::make_unique<IniFile>(
        (options_.dataFolder + QStringLiteral("Folmo.INI")).toUtf8().toStdString());
    settings_ = Settings{};
    ReadSettingsFile(*ini_, settings_, state_);
    positions_ = std::make_unique<ReadingPositions>(options_.dataFolder.toUtf8().toStdString() +
                                                    ReadingPositions::kFileName);
    positions_->Load();
    positionsAlbum_.clear();
    if (ini_->Unreadable()) // once: the file is then left alone until the program ends
        Application::ReportError(Error(FormatMessage(msg::kCannotOpen, ini_->path())));
    ppmRAllDisp->setChecked(settings_.maxOpen);
    ppmLAllDisp->setChecked(settings_.maxOpen);

    if (!settings_.textureFName.empty()) {
        if (FileExists(settings_.textureFName)) {
            QImage t(QString::fromStdString(settings_.textureFName));
            if (!t.isNull())
                texture_ = t.convertToFormat(QImage::Format_RGB888);
        } else {
            AppDialogs().Warning(
                tr("指定された背景ファイルが見つかりません。デフォルトに戻します。"));
            settings_.textureFName.clear();
        }
    }
    imgBaseTexture->setPixmap(QPixmap::fromImage(texture_));
    SearchPlugIns();
    nav_->SetViewer(QString::fromStdString(settings_.imgViewer));

    int sw = options_.screenWidth, sh = options_.screenHeight;
    if (sw <= 0 || sh <= 0) {
        QRect s = QGuiApplication::primaryScreen()->geometry();
        sw = s.width();
        sh = s.height();
    }
    WindowBounds b = CentredStartBounds(sw, sh);
    setGeometry(b.left, b.top, b.width, b.height);

    BuildContentsPage();
    BuildAlbumFiles();
    contents_->ResetPageList();
    stbPanel1->setText(tr("ｶﾚﾝﾄﾌｫﾙﾀﾞ:無し"));
    ntbBase->setCurrentIndex(0);
    state_.page.currentPage = PageModel::kFrontCover;
    DrawFrontCover();

    const std::string data = options_.dataFolder.toUtf8().toStdString();
    EnsureFolder(data + "AJVs");
    EnsureFolder(data + "Cache");
}

void TfrmFXMainForm::FormClose() {
    SavePositions();
    settings_.maxOpen = ppmRAllDisp->isChecked();
    WriteSettingsFile(*ini_, settings_, state_);
}

void TfrmFXMainForm::closeEvent(QCloseEvent* event) {
    // A settings file that cannot be written is reported, but never keeps the user from
    // leaving the program.
    try {
        FormClose();
    } catch (const Error& e) {
        Application::ReportError(e);
    }
    event->accept();
}

void TfrmFXMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // A minimised full-screen window comes back as it was: borderless and maximised,
    // whoever restores it (the desktop, or a second start).
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if ((change->oldState() & Qt::WindowMinimized) && !isMinimized() && msiAllDisp->isChecked() &&
        !isMaximized())
        QTimer::singleShot(0, this, [this] {
            if (msiAllDisp->isChecked() && !isMinimized())
                showMaximized();
        });
}

void TfrmFXMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmFXMainForm::FormShow() {
    const QString first = options_.arguments.value(0);
    // A refused argument leaves the start as it is without one.
    const bool remembered = first.isEmpty() || OpenArgument(first) == OpenedAs::Refused;
    if (remembered)
        contents_->ftvFTree->SetDirectory(state_.pictureFolder);
    stbPanel1->setText(QString::fromStdString(state_.pictureFolder));
    scbStatus->show();
    edtSearch->hide();
    spbSDown->hide();
    spbSUp->hide();
    ApplyModeButtons();
    mniOperation->menuAction()->setVisible(true);
    ShowBarMenu(menuBar(), mniEdit, mniOperation, false);
    UpdatePageCounter();
    if (remembered && settings_.resumeOnOpen)
        ResumeReading();
}

void TfrmFXMainForm::ApplyModeButtons() {
    bars_->ApplyModes(state_.page.splitMode != 0, state_.page.openMode != 0, state_.clearImage);
}

void TfrmFXMainForm::RestoreFullScreen() {
    if (!ppmRAllDisp->isChecked())
        return;
    ppmRAllDisp->setChecked(false);
    ppmLAllDisp->setChecked(false);
    // The bounds of before are those the last run saved when it entered full screen;
    // the start-up window must not overwrite them.
    keepPosSize_ = true;
    msiAllDispClick(ppmRAllDisp->isChecked());
    keepPosSize_ = false;
}

void TfrmFXMainForm::ReceiveForwarded(const std::optional<QString>& albumPath) {
    // An album forwarded while the thumbnail cache is being built would replace the list
    // under the build: it waits until the build ends.
    if (contents_ && contents_->BuildingThumbnailCache()) {
        forwardedDuringBuild_.push_back(albumPath);
        return;
    }
    // Likewise while an archive is listed; the listing's loop runs timers.
    if (contents_ && contents_->ListingArchive()) {
        QTimer::singleShot(100, this, [this, albumPath] { ReceiveForwarded(albumPath); });
        return;
    }
    if (isMinimized()) {
        if (msiAllDisp->isChecked())
            showMaximized();
        else
            showNormal();
    }
    raise();
    activateWindow();
    if (!albumPath || albumPath->isEmpty())
        return;
    if (OpenArgument(*albumPath) == OpenedAs::AlbumFile)
        setWindowTitle(WindowCaption(true, state_.albumTitle));
}

void TfrmFXMainForm::ReceiveWaitingForwards() {
    std::vector<std::optional<QString>> waiting;
    waiting.swap(forwardedDuringBuild_);
    if (!isVisible())
        return; // the window was closed during the build
    for (const auto& path : waiting)
        ReceiveForwarded(path);
}

TfrmFXMainForm::OpenedAs TfrmFXMainForm::OpenArgument(const QString& path) {
    const std::string name = TextToPath(path);
    const OpenTarget target = ClassifyOpenPath(name, formats_->FileExtPatterns());
    if (target.kind == OpenTargetKind::Missing) {
        Application::ReportError(Error(FormatMessage(msg::kCannotOpen, name)));
        return OpenedAs::Refused;
    }
    if (target.kind == OpenTargetKind::Unopenable) {
        // The running album stays as it was.
        AppDialogs().Warning(QString::fromStdString(FormatMessage(msg::kNotOpenable, name)));
        return OpenedAs::Refused;
    }
    OpenedAs opened = OpenedAs::Nothing;
    try {
        if (target.kind == OpenTargetKind::AlbumFile)
            opened = LoadAlbumFile(path) ? OpenedAs::AlbumFile : OpenedAs::Nothing;
        else
            opened = OpenListing(target.kind == OpenTargetKind::Archive ? name : target.folder);
    } catch (const std::exception& e) {
        Application::ReportError(e);
    }
    if (opened == OpenedAs::Refused)
        return opened; // a listing stopped with Esc: the running album stays
    // What opens shows on the view page, at its cover or its picture's spread, wherever
    // the window was: drawn behind the contents page, the list stayed under the other
    // page's menus.
    if (state_.activeView == 1)
        ShowPageChrome(false);
    // Also after a failure: the list may be another one now (an album whose folder line
    // is empty leaves an empty list), and no spread of the old list may stay over it.
    const int row = target.fileName.empty() ? 0 : RowOfFile(target.fileName);
    if (row > 0) {
        nav_->OpenAtRow(row);
    } else {
        state_.page.currentPage = PageModel::kFrontCover;
        DrawFrontCover();
        UpdatePageCounter();
        if (opened != OpenedAs::Nothing && settings_.resumeOnOpen)
            ResumeReading();
    }
    return opened;
}

int TfrmFXMainForm::RowOfFile(const std::string& fileName) const {
    for (int row = 1; row < pictures_.RowCount(); ++row)
        if (pictures_.FileName(row) == fileName)
            return row;
    return 0;
}

void TfrmFXMainForm::BuildViewModules() {
    book_ = std::make_unique<BookView>(
        state_, pictures_,
        BookWidgets{this, imgBase, ntbBase, imgLeftPage, imgRightPage, scbStatus}, *pagePictures_);
    book_->SetSpreadDrawnHook([this] { KeepPosition(); });

    auto* sound = new QSoundEffect(this);
    const QString wav = options_.programFolder + QStringLiteral("Change.WAV");
    if (QFileInfo::exists(wav))
        sound->setSource(QUrl::fromLocalFile(wav));
    NavigatorServices services;
    services.playTurnSound = [sound] {
        // A sound still playing is not restarted; no file or device plays nothing.
        if (sound->source().isValid() && !sound->isPlaying())
            sound->play();
    };
    services.programExists = [](const QString& p) { return QFileInfo(p).isFile(); };
    services.startViewer = [](const QString& program, const QString& picture) {
        QProcess::startDetached(program, {picture});
    };
    services.openWithDesktop = [](const QString& picture) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(picture));
    };
    services.updateCounter = [this] { UpdatePageCounter(); };
    services.repaint = [this] { repaint(); };
    nav_ = std::make_unique<Navigator>(state_, pictures_, *book_, imgLeftPage, imgRightPage,
                                       scbStatus, services, this);
    for (auto [page, side] :
         {std::pair{imgLeftPage, PageSide::Left}, std::pair{imgRightPage, PageSide::Right}}) {
        connect(
            page, &PageImage::mousePressed, this,
            [this, side = side](QPoint p, Qt::MouseButton) { nav_->imgPageMouseDown(side, p); });
        connect(page, &PageImage::mouseMoved, this,
                [this, side = side](QPoint p) { nav_->imgPageMouseMove(side, p); });
        connect(page, &PageImage::clicked, this, [this, side = side] { nav_->imgDblClick(side); });
    }
}

void TfrmFXMainForm::SetNavigatorServices(const NavigatorServices& services) {
    nav_ = std::make_unique<Navigator>(state_, pictures_, *book_, imgLeftPage, imgRightPage,
                                       scbStatus, services, this);
    nav_->SetViewer(QString::fromStdString(settings_.imgViewer));
}

void TfrmFXMainForm::SearchPlugIns() {
    // No picture may be decoding through the plug-ins that are about to go.
    pagePictures_->Quiesce();
    spis_.reset();
    TSPIPlaces places;
    places.appDir = options_.programFolder.toUtf8().toStdString();
    places.susieIniPath = DefaultSusieIniPath();
    spis_ = std::make_unique<TSPIs>(places);
    formats_ = std::make_unique<ReadableFormats>();
    formats_->Connect(*spis_);
    SearchPlugInsAtStart(*spis_, settings_.susieLoc);
}

void TfrmFXMainForm::BuildContentsPage() {
    ContentsHooks hooks;
    hooks.status = [this](const QString& text) {
        stbPanel1->setText(text);
        stbPanel1->repaint();
    };
    hooks.caption = [this](const QString& text) { setWindowTitle(text); };
    hooks.storeFolder = [this](const std::string& folder) {
        ini_->WriteString("Folder", "CurrentFolder", folder);
    };
    hooks.pictureSource = [pictures = pagePictures_.get()](const std::string& path,
                                                           const std::atomic<bool>& stop) {
        return pictures->LoadFull(path, &stop);
    };
    hooks.thumbnailSource = pagePictures_->ThumbnailPictures();
    hooks.listChanged = [this] {
        UpdatePageCounter();
        FitPageScrollBar();
    };
    hooks.rename = [this] { ppmRenameClick(); };
    ContentsConfig config;
    config.cacheFolder = options_.dataFolder.toUtf8().toStdString() + "Cache/";
    config.pictureFilter = QString::fromStdString(formats_->DialogFilter());
    config.patterns = formats_->FileExtPatterns();
    delete contents_;
    contents_ = new ContentsPage(state_, pictures_, settings_, hooks, config, contentsPage);
    contentsPage->layout()->addWidget(contents_);
}

void TfrmFXMainForm::BuildAlbumFiles() {
    AlbumWindow w;
    w.setCaption = [this](const QString& c) { setWindowTitle(c); };
    w.setStatusText = [this](const QString& t) { stbPanel1->setText(t); };
    w.setFolderTreeWidth = [this](int width) {
        contents_->SetFolderPanelVisible(width > 0);
        msiFTVOpen->setChecked(width > 0);
    };
    w.reloadThumbnailCache = [this](const std::string&) {
        contents_->LoadThumbnailCache();
        contents_->OpenAlbumArchive();
    };
    w.drawFrontCover = [this] { DrawFrontCover(); };
    w.showViewPage = [this] { msiViewClick(); };
    w.openArchive = [this](const std::string& path) {
        return OpenArchive(QString::fromStdString(path));
    };
    w.msiSep1 = msiSep1;
    w.msiFTVOpen = msiFTVOpen;
    w.msiAJVClose = msiAJVClose;
    w.spbClose = bars_->spbClose;
    AlbumTextureHooks texture{[](const std::string& p) { return DecodeJpegFile(p); },
                              [this](Bitmap24&& b) {
                                  texture_ = ToQImage(b);
                                  imgBaseTexture->setPixmap(QPixmap::fromImage(texture_));
                                  TileTexture();
                              }};
    // An installed program's launchers start the command link, which survives updates.
    AlbumPlaces places{LauncherProgramFor(QCoreApplication::applicationFilePath().toStdString()),
                       options_.dataFolder.toUtf8().toStdString()};
    albumFiles_ = std::make_unique<AlbumFileCommands>(state_, pictures_, settings_, ini_.get(),
                                                      places, w, texture, this);
}

// The grid shows the list as it is after a load, whichever way the load ended: a reader
// that failed half-way may have replaced the rows already.
struct TfrmFXMainForm::ListRefresh {
    TfrmFXMainForm& form;
    ~ListRefresh() {
        form.contents_->stgPageList->Model().Refresh();
        form.UpdatePageCounter();
        form.FitPageScrollBar();
    }
};

bool TfrmFXMainForm::OpenArchive(const QString& path) {
    const std::string archive = path.toUtf8().toStdString();
    if (!IsArchiveFile(archive))
        return false;
    OpenListing(archive);
    return true;
}

// A listing stopped with Esc leaves the album, an album file's too, as it was.
TfrmFXMainForm::OpenedAs TfrmFXMainForm::OpenListing(const std::string& folder) {
    const ListRefresh refresh{*this};
    const bool listed = contents_->OpenFolder(folder, [this] {
        if (state_.albumViewingMode)
            albumFiles_->msiAJVCloseClick();
    });
    return listed ? OpenedAs::Listing : OpenedAs::Refused;
}

bool TfrmFXMainForm::LoadAlbumFile(const QString& path) {
    const ListRefresh refresh{*this};
    return albumFiles_->LoadAlbumFile(TextToPath(path)) == AlbumReadOutcome::Loaded;
}

void TfrmFXMainForm::LayoutOpenBook() {
    book_->LayoutOpenBook();
}
void TfrmFXMainForm::DrawFrontCover() {
    book_->DrawFrontCover();
}
void TfrmFXMainForm::DrawBackCover() {
    book_->DrawBackCover();
}
void TfrmFXMainForm::ShowSpread() {
    book_->ShowSpread();
}
void TfrmFXMainForm::TileTexture() {
    book_->TileTexture(texture_);
}

void TfrmFXMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The client area's own resize event lays the book out (see eventFilter).
}

void TfrmFXMainForm::PlaceBaseImages() {
    imgBase->setGeometry(pnlBase->rect());
    imgBaseTexture->setGeometry(0, pnlBase->height() - 37, 37, 37);
    imgBaseTexture->raise();
}

void TfrmFXMainForm::FormResize() {
    PlaceBaseImages();
    book_->FormResize(texture_);
}

void TfrmFXMainForm::RelayOutNow() {
    // Hiding a bar only asks for a new layout later; FormResize would read the old size.
    relayingOut_ = true;
    if (layout())
        layout()->activate();
    relayingOut_ = false;
    FormResize();
}

bool TfrmFXMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlBase && event->type() == QEvent::Resize) {
        // Laid out once the window's own layout has finished: drawing may raise a
        // picture's error, and its box's event loop inside the main window's resize let
        // Qt's layout animate the client area again under itself (a crash in
        // QPropertyAnimation).
        if (!relayingOut_ && book_ && !std::exchange(resizePending_, true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    resizePending_ = false;
                    FormResize();
                },
                Qt::QueuedConnection);
        return false;
    }
    if (watched == menuBar() && event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->isAmbiguous())
        return OpenLeftmostMenuOfMnemonic(menuBar(), static_cast<QShortcutEvent*>(event)->key());
    if (event->type() == QEvent::KeyPress && PreviewsKeysOf(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        return FormKeyDown(key->key(), key->modifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

// Keys typed into a text field stay the field's, so the search text can hold a space
// and Backspace edits it; a comment being typed in the grid is text too.
bool TfrmFXMainForm::PreviewsKeysOf(QObject* receiver) const {
    auto* widget = qobject_cast<QWidget*>(receiver);
    if (!widget || widget->window() != this)
        return false;
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QAbstractSpinBox*>(widget) ||
        qobject_cast<QTextEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget))
        return false;
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractItemView*>(w))
            return false;
    }
    return true;
}

void TfrmFXMainForm::keyPressEvent(QKeyEvent* event) {
    if (!FormKeyDown(event->key(), event->modifiers()))
        QMainWindow::keyPressEvent(event);
}

bool TfrmFXMainForm::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (!keyPreview_ || ntbBase->currentIndex() != 0 || modifiers != Qt::NoModifier)
        return false;
    if (key == Qt::Key_Space) {
        nav_->TurnForward();
        return true;
    }
    if (key == Qt::Key_Backspace) {
        nav_->TurnBack();
        return true;
    }
    return false;
}

void TfrmFXMainForm::UpdatePageCounter() {
    stbPanel0->setText(QString::fromStdString(state_.page.CounterText(RowCount())));
    NoteAlbumChange();
    ShowKeptPosition();
}

// An album file is known by its file, a folder or an archive by its path.
std::string TfrmFXMainForm::PositionKey() const {
    if (state_.albumViewingMode && !state_.albumFile.empty())
        return state_.albumFile;
    return state_.pictureFolder;
}

// Every spread drawn is noted in memory only; the store is written when another album
// opens and at quit, not on every turn.
void TfrmFXMainForm::KeepPosition() {
    const int row = state_.page.currentPage;
    if (!positions_ || !state_.page.IsSpreadOpen() || row >= RowCount() ||
        pictures_.FileName(row).empty())
        return;
    positions_->Keep(PositionKey(), {pictures_.FileName(row), row, state_.page.splitMode, 0});
}

void TfrmFXMainForm::NoteAlbumChange() {
    const std::string album = PositionKey();
    if (album == positionsAlbum_)
        return;
    if (!positionsAlbum_.empty())
        SavePositions();
    positionsAlbum_ = album;
}

// A store that cannot be written is reported; it never keeps an album from opening or
// the program from closing.
void TfrmFXMainForm::SavePositions() {
    if (!positions_)
        return;
    try {
        positions_->Save();
    } catch (const Error& e) {
        Application::ReportError(e);
    }
}

void TfrmFXMainForm::ShowKeptPosition() {
    const ReadingPosition* kept = positions_ ? positions_->Find(PositionKey()) : nullptr;
    const int row = kept ? ResumeRow(*kept, pictures_) : 0;
    msiResume->setEnabled(row > 0);
    // While a spread is open it is the kept one; the note matters on the covers.
    const bool note = row > 0 && !state_.page.IsSpreadOpen();
    if (note) {
        PageModel at = state_.page;
        at.splitMode = kept->splitMode;
        stbResume->setText(tr("続きあり: %1/%2").arg(at.SnapToSpread(row)).arg(RowCount() - 1));
    }
    stbResume->setVisible(note);
}

bool TfrmFXMainForm::ResumeReading() {
    const ReadingPosition* found = positions_ ? positions_->Find(PositionKey()) : nullptr;
    if (!found)
        return false;
    const ReadingPosition kept = *found; // the drawing below keeps a new position
    const int row = ResumeRow(kept, pictures_);
    if (row == 0)
        return false;
    if (state_.page.splitMode != kept.splitMode) {
        state_.page.splitMode = kept.splitMode;
        ApplyModeButtons();
    }
    nav_->OpenAtRow(row);
    return true;
}

void TfrmFXMainForm::msiResumeClick() {
    if (ntbBase->currentIndex() == 0)
        ResumeReading();
}

// The page scroll bar spans the list as it is now. The cover is first drawn before the
// folder's pictures are listed, and filling or editing the list draws nothing, so the
// bar would keep the empty list's single position and reach no page at all.
void TfrmFXMainForm::FitPageScrollBar() {
    const QSignalBlocker block(scbStatus); // only the range and thumb move, no page
    scbStatus->setMaximum(std::max(1, RowCount() - 1));
    scbStatus->setValue(state_.page.ScrollPosition(RowCount()));
}

void TfrmFXMainForm::CommitTypedComment() {
    if (contents_)
        contents_->stgPageList->CommitEdit();
}

// The page, its menus and buttons switch before anything is drawn or read: a picture or
// cache that fails there raises its error, and the window must not be left showing one
// page under the other's menus.
void TfrmFXMainForm::ShowPageChrome(bool contents) {
    state_.activeView = contents ? 1 : 0;
    ntbBase->setCurrentIndex(state_.activeView);
    keyPreview_ = !contents;
    mniOperation->menuAction()->setVisible(!contents);
    ShowBarMenu(menuBar(), mniEdit, mniOperation, contents);
    if (!state_.albumViewingMode) {
        msiFTVOpen->setVisible(contents);
        msiSep1->setVisible(contents);
    }
    (contents ? bars_->spbContents : bars_->spbView)->setChecked(true);
    bars_->SetModeButtonsEnabled(!contents);
}

void TfrmFXMainForm::msiViewClick() {
    CommitTypedComment(); // the spreads print the comments
    const bool fromContents = state_.activeView == 1;
    const int row = contents_ ? contents_->CaretPicture() : 0;
    ShowPageChrome(false);
    struct Counter {
        TfrmFXMainForm& form;
        ~Counter() { form.UpdatePageCounter(); }
    } counter{*this};
    if (row > 0 && fromContents) {
        state_.page.currentPage = state_.page.SnapToSpread(row);
        FitPageScrollBar();
        ShowSpread();
    } else if (state_.page.IsFrontCover()) {
        DrawFrontCover();
    } else if (state_.page.IsBackCover()) {
        DrawBackCover();
    }
}

void TfrmFXMainForm::msiContentsClick() {
    book_->LayoutContents();
    contents_->PrepareToShow();
    ShowPageChrome(true);
    contents_->LoadThumbnailCache();
}

void TfrmFXMainForm::msiFTVOpenClick() {
    // The item's mark has already flipped when it is triggered from the menu.
    // Asked of the panel itself: on the View page no part of the contents page is visible.
    const bool open = contents_->pnlDirSelect->isHidden();
    contents_->SetFolderPanelVisible(open);
    msiFTVOpen->setChecked(open);
}

TfrmOptionDlg& TfrmFXMainForm::OptionDialog() {
    if (!optionDlg_) {
        optionDlg_ = std::make_unique<TfrmOptionDlg>(settings_, state_, texture_, this);
        // The cover picture may be of any format a plug-in reads.
        optionDlg_->SetPictureFilter(
            [this] { return QString::fromStdString(formats_->DialogFilter()); });
    }
    return *optionDlg_;
}

void TfrmFXMainForm::msiConfigClick() {
    if (!OptionDialog().Execute())
        return;
    OptionsAccepted(state_);
    msiViewClick();
    ApplyModeButtons();
    imgBaseTexture->setPixmap(QPixmap::fromImage(texture_));
    TileTexture();
    nav_->SetViewer(QString::fromStdString(settings_.imgViewer));
    contents_->speThumSizeChange();
}

void TfrmFXMainForm::ConnectCommands() {
    auto on = [this](QAction* a, auto f) { connect(a, &QAction::triggered, this, f); };
    // A menu item and its toolbar button or pop-up twin share one handler.
    auto both = [&on](QAction* item, QAction* twin, auto f) {
        on(item, f);
        on(twin, f);
    };
    // Album files.
    both(msiAJVOpen, bars_->spbOpen, [this] {
        const ListRefresh refresh{*this};
        albumFiles_->msiAJVOpenClick();
        if (settings_.resumeOnOpen)
            ResumeReading();
    });
    both(msiAJVClose, bars_->spbClose, [this] { albumFiles_->msiAJVCloseClick(); });
    both(msiAJVSave, bars_->spbSave, [this] {
        CommitTypedComment();
        albumFiles_->msiMkAJVClick();
    });
    on(bars_->spbViewFolder, [this] { albumFiles_->spbViewFolderClick(); });
    on(bars_->spbWriteTitle, [this] { albumFiles_->spbWriteTitleClick(); });
    // Contents.
    on(msiMkThumCa, [this] {
        struct Replay {
            TfrmFXMainForm& form;
            ~Replay() {
                if (!form.forwardedDuringBuild_.empty())
                    QTimer::singleShot(0, &form, [&f = form] { f.ReceiveWaitingForwards(); });
            }
        } replay{*this};
        contents_->msiMkThumCacheClick();
    });
    on(msiAdd, [this] { contents_->msiAddPicClick(); });
    on(edtDelete, [this] { contents_->msiDeletePicClick(); });
    on(msiAllClear, [this] { contents_->msiNewClick(); });
    // Navigation.
    on(msiNext, [this] { msiNextPrevClick(true); });
    on(msiPrev, [this] { msiNextPrevClick(false); });
    on(msiResume, [this] { msiResumeClick(); });
    both(msiLAutoChange, ppmLAutoChange, [this] { nav_->msiLAutoChangeClick(); });
    both(msiRAutoChange, ppmRAutoChange, [this] { nav_->msiRAutoChangeClick(); });
    both(ppmRAutoStop, ppmLAutoStop, [this] { nav_->msiAutoStopClick(); });
    on(msiAutoStop, [this] { nav_->msiAutoStopClick(); });
    both(ppmRBilinear, ppmLBilinear, [this] { book_->ppmBilinearClick(); });
    for (QAction* a : bars_->ModeButtons())
        on(a, [this, a] { spbAlbumConfClick(a); });
    connect(scbStatus, &QScrollBar::valueChanged, this, [this] { nav_->scbStatusChange(); });
    // Search.
    connect(spdSearch, &QToolButton::clicked, this, &TfrmFXMainForm::spdSearchClick);
    connect(spbSDown, &QToolButton::clicked, this, &TfrmFXMainForm::spbSDownClick);
    connect(spbSUp, &QToolButton::clicked, this, &TfrmFXMainForm::spbSUpClick);
}

void TfrmFXMainForm::spbAlbumConfClick(QAction* sender) {
    if (sender == bars_->spbNormalImage || sender == bars_->spbClearImage) {
        state_.clearImage = sender == bars_->spbClearImage;
        if (state_.page.IsSpreadOpen()) {
            book_->DrawSpread();
            book_->ShowBuffers();
        }
        return;
    }
    if (sender == bars_->spb2Spilit || sender == bars_->spb4Spilit)
        state_.page.splitMode = sender == bars_->spb4Spilit ? 1 : 0;
    else
        state_.page.openMode = sender == bars_->spbRightOpen ? 1 : 0;
    state_.page.currentPage = PageModel::kFrontCover;
    msiViewClick();
}

void TfrmFXMainForm::msiNextPrevClick(bool next) {
    if (next)
        nav_->TurnForward();
    else
        nav_->TurnBack();
}

void TfrmFXMainForm::spdSearchClick() {
    const bool searching = spdSearch->isChecked();
    scbStatus->setVisible(!searching);
    edtSearch->setVisible(searching);
    spbSDown->setVisible(searching);
    spbSUp->setVisible(searching);
}

void TfrmFXMainForm::Search(bool forward) {
    CommitTypedComment();
    if (!state_.page.IsSpreadOpen())
        return;
    const int row = FindCommentRow(pictures_, state_.page.currentPage, edtSearch->text(),
                                   forward ? SearchDirection::Forward : SearchDirection::Backward);
    if (row == 0) {
        AppDialogs().Information(tr("検索文字列が見つかりませんでした"));
        return;
    }
    const QSignalBlocker block(scbStatus); // a search leaves the scroll bar where it is
    nav_->JumpToPage(row);
}

void TfrmFXMainForm::spbSDownClick() {
    Search(true);
}
void TfrmFXMainForm::spbSUpClick() {
    Search(false);
}

void TfrmFXMainForm::ppmRenameClick() {
    if (!renameDlg_) {
        renameSettings_ = std::make_unique<RenameSettings>();
        renameDlg_ = std::make_unique<TfrmRename>(state_, *renameSettings_, this);
    }
    // While the copies are written the window paints and shows the progress, and holds
    // off every input but Esc, which stops the run between two files.
    std::optional<ThumbnailBuildLoop> hold;
    const QString shown = stbPanel1->text();
    struct Restore {
        QLabel* panel;
        QString text;
        ~Restore() { panel->setText(text); }
    } restore{stbPanel1, shown};
    RenameRunHooks hooks;
    hooks.status = [this](const QString& text) {
        stbPanel1->setText(text);
        stbPanel1->repaint();
    };
    hooks.stopping = [this, &hold] {
        if (!hold)
            hold.emplace(this);
        return hold->Stopping();
    };
    folivex::ppmRenameClick(*renameDlg_, *renameSettings_, state_, pictures_, hooks);
}

void TfrmFXMainForm::SetFullScreenChecks(bool checked) {
    msiAllDisp->setChecked(checked);
    ppmRAllDisp->setChecked(checked);
    ppmLAllDisp->setChecked(checked);
}

void TfrmFXMainForm::msiAllDispClick(bool senderChecked) {
    const bool entering = !senderChecked;
    if (entering) {
        state_.bookScale = 1.0;
        // A maximised window keeps its own bounds in the normal geometry; those are the
        // ones to come back to.
        const QRect g = isMaximized() ? normalGeometry() : geometry();
        WindowBounds b{g.left(), g.top(), g.width(), g.height()};
        if (!keepPosSize_)
            WritePosSize(*ini_, b);
        setWindowFlag(Qt::FramelessWindowHint, true);
        showMaximized();
        SetFullScreenChecks(true);
    } else {
        state_.bookScale = 0.94;
        SetFullScreenChecks(false); // before the state changes, see changeEvent
        setWindowFlag(Qt::FramelessWindowHint, false);
        showNormal();
        QRect s = QGuiApplication::primaryScreen()->geometry();
        WindowBounds b = ReadPosSize(*ini_, s.width(), s.height());
        setGeometry(b.left, b.top, b.width, b.height);
        SetFullScreenChecks(false);
    }
}

void TfrmFXMainForm::msiHideAllToolBarClick() {
    bars_->ToggleAll();
    RelayOutNow();
}

void TfrmFXMainForm::msiHideAlbumFileBarClick() {
    bars_->ToggleAlbumFileBar();
    RelayOutNow();
}

void TfrmFXMainForm::msiHideBasicBarClick() {
    bars_->ToggleBasicBar();
    RelayOutNow();
}

void TfrmFXMainForm::msiHideAlbumConfBarClick() {
    bars_->ToggleAlbumConfBar();
    RelayOutNow();
}

void TfrmFXMainForm::msiHideStatusBarClick() {
    // The item's mark has flipped already when it is triggered from the menu. Hidden,
    // the whole status bar goes: a 1-pixel panel would still keep the bar's own margins.
    const bool hide = msiHideStatusBar->isChecked();
    pnlStatus->setFixedHeight(hide ? 1 : 27);
    statusBar()->setVisible(!hide);
    RelayOutNow();
}

void TfrmFXMainForm::msiViewHelpClick() {
    QDesktopServices::openUrl(
        QUrl::fromLocalFile(options_.programFolder + QStringLiteral("FXHelp.chm")));
}

void TfrmFXMainForm::msiVersionClick() {
    QDialog dlg(this);
    dlg.setObjectName(QStringLiteral("dlgVersion"));
    dlg.setWindowTitle(tr("バージョン情報"));
    auto* layout = new QVBoxLayout(&dlg);
    auto* icon = new QLabel(&dlg);
    icon->setPixmap(ProgramIcon().pixmap(64, 64));
    auto* name = new QLabel(QStringLiteral("Folivex"), &dlg);
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(tr("Version %1").arg(QStringLiteral("1.4")), &dlg), 0,
                      Qt::AlignHCenter);
    auto* ok = new QDialogButtonBox(&dlg);
    ok->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    connect(ok, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    layout->addWidget(ok);
    dlg.exec();
}

void TfrmFXMainForm::msiExitClick() {
    close();
}

} // namespace folivex
