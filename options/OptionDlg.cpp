#include "options/OptionDlg.h"

#include "core/Error.h"
#include "ui/Dialogs.h"
#include "ui/Translation.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace folivex {

namespace {

// The words of the toolkit's invalid-graphic error, as the picture readers raise it.
constexpr std::string_view kInvalidGraphic =
    FOLIVEX_TRANSLATE_NOOP("Messages", "認識できない画像形式です");

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string S(const QString& s) {
    return s.toUtf8().toStdString();
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : widgets)
        row->addWidget(w);
    row->addStretch();
    return row;
}

} // namespace

const QString TfrmOptionDlg::kViewerFilter = QStringLiteral("実行形式(*)|*");
const QString TfrmOptionDlg::kTextureFilter = QStringLiteral("実行形式(*.bmp)|*.bmp");
const QString TfrmOptionDlg::kDefaultPictureFilter =
    QStringLiteral("JPEG(*.jpg;*.jpeg)|*.jpg;*.jpeg|ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp|");

QImage ReadBitmapFile(const std::string& path) {
    const QString file = Q(path);
    if (!QFileInfo(file).isFile() || !QFileInfo(file).isReadable())
        throw Error(FormatMessage(msg::kCannotOpen, path));
    QImageReader reader(file, "BMP");
    reader.setDecideFormatFromContent(false);
    QImage picture = reader.read();
    if (picture.isNull())
        throw Error(std::string(kInvalidGraphic));
    return picture.convertToFormat(QImage::Format_RGB888);
}

TfrmOptionDlg::TfrmOptionDlg(Settings& settings, AlbumState& state, QImage& texture,
                             QWidget* parent)
    : QDialog(parent), settings_(settings), state_(state), mainTexture_(texture),
      readBitmap_(ReadBitmapFile), pictureFilter_([] { return kDefaultPictureFilter; }) {
    setWindowTitle(tr("環境設定"));
    // The Japanese interface keeps the Windows edition's font and size; the English one takes the
    // desktop's font, and room for its longer words.
    if (EnglishInterface()) {
        setFixedSize(560, 360);
    } else {
        QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
        f.setPixelSize(12);
        setFont(f);
        setFixedSize(441, 321);
    }

    tabs = new QTabWidget(this);
    tabs->addTab(BuildBasicPage(), tr("基本設定"));
    tabs->addTab(BuildFolderPage(), tr("フォルダ設定"));
    tabs->addTab(BuildTexturePage(), tr("テクスチャ"));
    tabs->addTab(BuildOtherPage(), tr("その他"));
    tabs->addTab(BuildPluginPage(), tr("Susieﾌﾟﾗｸﾞｲﾝ"));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    connect(OKBtn, &QPushButton::clicked, this, &TfrmOptionDlg::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);
}

QWidget* TfrmOptionDlg::BuildBasicPage() {
    auto* page = new QWidget;
    rdgSpilitMode =
        new RadioGroup(tr("分割モード"), {tr("2分割 (本向け)"), tr("4分割 (アルバム向け)")}, page);
    rdgSpilitMode->setToolTip(tr("一頁に表示する画像枚数"));
    rdgOpenMode = new RadioGroup(tr("開く方向"), {tr("左開き"), tr("右開き")}, page);
    rdgOpenMode->setToolTip(tr("ﾍﾟｰｼﾞを開く方向"));
    rdgCoverConf = new RadioGroup(tr("表紙の設定"), {}, page);
    FillCoverItems();
    connect(rdgCoverConf, &RadioGroup::ItemIndexChanged, this, &TfrmOptionDlg::rdgCoverConfClick);

    edtTitlePic = new QLineEdit(page);
    edtTitlePic->setReadOnly(true);
    edtTitlePic->setEnabled(false);
    btnRef = new QPushButton(tr("参照(&R)"), page);
    btnRef->setEnabled(false);
    connect(btnRef, &QPushButton::clicked, this, &TfrmOptionDlg::btnRefClick);

    auto* modes = new QHBoxLayout;
    modes->addWidget(rdgSpilitMode);
    modes->addWidget(rdgOpenMode);
    auto* picture = new QHBoxLayout;
    picture->addWidget(edtTitlePic);
    picture->addWidget(btnRef);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(modes);
    layout->addWidget(rdgCoverConf);
    layout->addLayout(picture);
    layout->addStretch();
    return page;
}

QWidget* TfrmOptionDlg::BuildFolderPage() {
    auto* page = new QWidget;
    cbxBookStand = new QComboBox(page);
    cbxBookStand->setEditable(true);
    cbxBookStand->setInsertPolicy(QComboBox::NoInsert);
    cbxBookStand->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Only a chosen entry moves the history; typed text waits for "OK".
    connect(cbxBookStand, &QComboBox::activated, this, &TfrmOptionDlg::cbxBookStandChange);
    btnBStandSelect = new QPushButton(tr("参照(&R).."), page);
    connect(btnBStandSelect, &QPushButton::clicked, this, &TfrmOptionDlg::btnBStandSelectClick);

    edtImgViewer = new QLineEdit(page);
    edtImgViewer->setReadOnly(true);
    btnImgViewerSelect = new QPushButton(tr("参照(&R).."), page);
    connect(btnImgViewerSelect, &QPushButton::clicked, this,
            &TfrmOptionDlg::btnImgViewerSelectClick);

    auto* stand = new QHBoxLayout;
    stand->addWidget(cbxBookStand);
    stand->addWidget(btnBStandSelect);
    auto* viewer = new QHBoxLayout;
    viewer->addWidget(edtImgViewer);
    viewer->addWidget(btnImgViewerSelect);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(tr("ショートカット(アルバムファイルフォルダ)の作成場所")));
    layout->addLayout(stand);
    layout->addWidget(new QLabel(tr("外部ビューワ")));
    layout->addLayout(viewer);
    layout->addStretch();
    return page;
}

QWidget* TfrmOptionDlg::BuildTexturePage() {
    auto* page = new QWidget;
    imgBaseTexture = new ClickLabel(page);
    imgBaseTexture->setFixedSize(70, 70);
    imgBaseTexture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    imgBaseTexture->setScaledContents(true);
    imgBaseTexture->setToolTip(tr("ダブルクリックで背景画像の読込"));
    connect(imgBaseTexture, &ClickLabel::clicked, this, &TfrmOptionDlg::imgBaseTextureClick);

    pnlCoverColor = new ClickLabel(page);
    pnlCoverColor->setToolTip(tr("ﾀﾞﾌﾞﾙｸﾘｯｸで表紙色を設定"));
    connect(pnlCoverColor, &ClickLabel::clicked, this, &TfrmOptionDlg::pnlCoverColorClick);
    pnlPageColor = new ClickLabel(page);
    pnlPageColor->setToolTip(tr("ﾀﾞﾌﾞﾙｸﾘｯｸでﾍﾟｰｼﾞ色を設定します、"));
    connect(pnlPageColor, &ClickLabel::clicked, this, &TfrmOptionDlg::pnlPageColorClick);
    for (ClickLabel* panel : {pnlCoverColor, pnlPageColor}) {
        panel->setFixedSize(70, 30);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setAutoFillBackground(true);
    }

    auto* layout = new QHBoxLayout(page);
    const std::pair<QString, QWidget*> parts[] = {{tr("背景"), imgBaseTexture},
                                                  {tr("表紙色"), pnlCoverColor},
                                                  {tr("ページ色"), pnlPageColor}};
    for (const auto& [caption, widget] : parts) {
        auto* column = new QVBoxLayout;
        column->addWidget(new QLabel(caption));
        column->addWidget(widget);
        column->addStretch();
        layout->addLayout(column);
    }
    layout->addStretch();
    return page;
}

QWidget* TfrmOptionDlg::BuildOtherPage() {
    auto* page = new QWidget;
    speACInterval = new QSpinBox(page);
    speACInterval->setRange(kMinInterval, kMaxInterval);
    cbxThum = new QCheckBox(tr("目次でサムネイルを表示"), page);
    speThumSize = new ArrowOnlySpinBox(page);
    speThumSize->setRange(kMinThumbSize, kMaxThumbSize);
    speRate = new QSpinBox(page);
    speRate->setRange(kMinRate, kMaxRate);
    speRate->setSingleStep(kRateStep);
    ckbClearImage = new QCheckBox(tr("常にきれいに描画する(マシンパワーが必要)"), page);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(Row({new QLabel(tr("自動めくり間隔")), speACInterval, new QLabel(tr("秒"))}));
    layout->addLayout(Row({cbxThum, new QLabel(tr("サイズ")), speThumSize}));
    layout->addWidget(new QLabel(tr("ページに占める画像の割合(余白の指定)")));
    layout->addLayout(Row({speRate, new QLabel(tr("％"))}));
    layout->addWidget(ckbClearImage);
    ckbResumeOnOpen = new QCheckBox(tr("前回の続きから開く"), page);
    layout->addWidget(ckbResumeOnOpen);
    // The names of the languages are their own; "自動" follows the interface.
    cbxLanguage = new QComboBox(page);
    cbxLanguage->addItems({tr("自動"), QStringLiteral("日本語"), QStringLiteral("English")});
    layout->addLayout(Row({new QLabel(tr("表示言語")), cbxLanguage,
                           new QLabel(tr("※ 次回起動時から有効になります"))}));
    layout->addStretch();
    return page;
}

QWidget* TfrmOptionDlg::BuildPluginPage() {
    auto* page = new QWidget;
    rdgSusieLocation =
        new RadioGroup(tr("Susieプラグインの場所の指定"),
                       {tr("Susieﾌﾟﾗｸﾞｲﾝは使用しない"), tr("Folivexのﾌｫﾙﾀﾞにあるﾌﾟﾗｸﾞｲﾝを使用する"),
                        tr("Susieのｲﾝｽﾄｰﾙされたﾌｫﾙﾀﾞにあるﾌﾟﾗｸﾞｲﾝを使用する")},
                       page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(rdgSusieLocation);
    layout->addWidget(new QLabel(tr("※ 次回起動時から有効になります")));
    layout->addStretch();
    return page;
}

bool TfrmOptionDlg::Execute() {
    FormShow();
    return exec() == QDialog::Accepted;
}

void TfrmOptionDlg::FillCoverItems() {
    QStringList items{tr("表紙にタイトル文字を表示"), tr("表紙に画像を表示")};
    if (!state_.albumViewingMode)
        items << tr("表紙にフォルダ名を表示");
    rdgCoverConf->SetItems(items);
}

void TfrmOptionDlg::FillBookStand() {
    cbxBookStand->clear();
    for (const std::string& folder : settings_.shortcutFolderHistory)
        cbxBookStand->addItem(Q(folder));
    cbxBookStand->setCurrentIndex(0);
}

void TfrmOptionDlg::FormShow() {
    const OptionValues v = ReadOptionValues(settings_, state_, mainTexture_);
    // Colour texts are converted first: a text that is no colour raises before any
    // control changes.
    const Color cover = StringToColor(v.coverColor);
    const Color page = StringToColor(v.pageColor);

    FillCoverItems();
    rdgSpilitMode->SetItemIndex(v.splitMode);
    rdgOpenMode->SetItemIndex(v.openMode);
    rdgCoverConf->SetItemIndex(v.coverMode);
    rdgCoverConfClick();
    edtTitlePic->setText(Q(v.coverPicture));
    edtImgViewer->setText(Q(v.imgViewer));
    FillBookStand();
    ShowTexture(v.texture);
    coverColor_ = cover;
    pageColor_ = page;
    ShowColor(pnlCoverColor, cover);
    ShowColor(pnlPageColor, page);
    speACInterval->setValue(v.acInterval);
    cbxThum->setChecked(v.thumbnails);
    speThumSize->setValue(v.thumbnailSize);
    ckbClearImage->setChecked(v.clearImage);
    speRate->setValue(v.rate);
    rdgSusieLocation->SetItemIndex(v.susieLoc);
    ckbResumeOnOpen->setChecked(v.resumeOnOpen);
    cbxLanguage->setCurrentIndex(v.language >= 0 && v.language <= 2 ? v.language : 0);
    tabs->setCurrentIndex(0);
}

OptionValues TfrmOptionDlg::ControlValues() const {
    // A group showing no selection (a value it does not offer) keeps the value it was
    // shown with, rather than storing "no item".
    const OptionValues old = ReadOptionValues(settings_, state_, mainTexture_);
    auto item = [](const RadioGroup* group, int keep) {
        return group->ItemIndex() >= 0 ? group->ItemIndex() : keep;
    };
    OptionValues v;
    v.splitMode = item(rdgSpilitMode, old.splitMode);
    v.openMode = item(rdgOpenMode, old.openMode);
    v.coverMode = item(rdgCoverConf, old.coverMode);
    v.shortcutFolder = S(cbxBookStand->currentText());
    v.imgViewer = S(edtImgViewer->text());
    v.coverPicture = S(edtTitlePic->text());
    v.texture = texture_;
    v.coverColor = ColorToString(coverColor_);
    v.pageColor = ColorToString(pageColor_);
    v.acInterval = speACInterval->value();
    v.thumbnails = cbxThum->isChecked();
    v.thumbnailSize = speThumSize->value();
    v.clearImage = ckbClearImage->isChecked();
    v.rate = speRate->value();
    v.susieLoc = item(rdgSusieLocation, old.susieLoc);
    v.resumeOnOpen = ckbResumeOnOpen->isChecked();
    // A value the box does not offer (a hand-edited file) is kept.
    v.language =
        cbxLanguage->currentIndex() == (old.language >= 0 && old.language <= 2 ? old.language : 0)
            ? old.language
            : cbxLanguage->currentIndex();
    return v;
}

void TfrmOptionDlg::OKBtnClick() {
    WriteOptionValues(ControlValues(), settings_, state_, mainTexture_);
    accept();
}

void TfrmOptionDlg::rdgCoverConfClick() {
    btnRef->setEnabled(rdgCoverConf->ItemIndex() > 0);
}

void TfrmOptionDlg::btnRefClick() {
    const QString file = AppDialogs().OpenFile(Q(state_.pictureFolder), pictureFilter_());
    if (!file.isEmpty())
        edtTitlePic->setText(QFileInfo(file).fileName());
}

void TfrmOptionDlg::btnBStandSelectClick() {
    const QString folder = AppDialogs().BrowseForFolder(cbxBookStand->currentText());
    if (folder.isEmpty())
        return;
    PushShortcutFolder(settings_.shortcutFolderHistory, S(folder));
    FillBookStand();
}

void TfrmOptionDlg::cbxBookStandChange(int index) {
    // Entry 1 is already in front; moving it would only push the last entry out.
    if (index <= 0 || index >= int(settings_.shortcutFolderHistory.size()))
        return;
    PushShortcutFolder(settings_.shortcutFolderHistory,
                       settings_.shortcutFolderHistory[std::size_t(index)]);
    FillBookStand();
}

void TfrmOptionDlg::btnImgViewerSelectClick() {
    const QString file = AppDialogs().OpenFile(Q(state_.pictureFolder), kViewerFilter);
    if (file.isEmpty())
        return;
    const QFileInfo info(file);
    if (!info.isFile() || !info.isExecutable()) {
        AppDialogs().Warning(tr("%1 は実行形式ではありません").arg(file));
        return;
    }
    edtImgViewer->setText(info.absoluteFilePath());
}

void TfrmOptionDlg::imgBaseTextureClick() {
    const QString file = AppDialogs().OpenFile(Q(state_.pictureFolder), kTextureFilter);
    if (file.isEmpty())
        return;
    const std::string path = S(QFileInfo(file).absoluteFilePath());
    ShowTexture(readBitmap_(path));
    settings_.textureFName = path;
}

void TfrmOptionDlg::pnlCoverColorClick() {
    PickColor(coverColor_, pnlCoverColor);
}

void TfrmOptionDlg::pnlPageColorClick() {
    PickColor(pageColor_, pnlPageColor);
}

void TfrmOptionDlg::PickColor(Color& color, QLabel* panel) {
    const std::optional<QColor> chosen = AppDialogs().ChooseColor(ToQColor(color));
    if (!chosen)
        return;
    color = FromQColor(*chosen);
    ShowColor(panel, color);
}

void TfrmOptionDlg::ShowTexture(const QImage& picture) {
    texture_ = picture;
    imgBaseTexture->setPixmap(QPixmap::fromImage(picture));
}

void TfrmOptionDlg::ShowColor(QLabel* panel, Color color) {
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, ToQColor(color));
    panel->setPalette(p);
}

} // namespace folivex
