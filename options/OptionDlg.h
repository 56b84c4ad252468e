// The options dialog "環境設定": five tabs of preferences and book looks. It edits the
// main window's settings, album state and background texture, which it holds by
// reference: shown, it copies them into its controls; "OK" copies them back. The
// shortcut-folder history and the texture file name change at once, Cancel or not.
#pragma once

#include "core/ColorText.h"
#include "core/Settings.h"
#include "options/OptionValues.h"
#include "options/OptionWidgets.h"
#include "view/AlbumState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include <functional>
#include <string>

namespace folivex {

class TfrmOptionDlg : public QDialog {
    Q_OBJECT
public:
    // Reads a bitmap file into a picture; raises on a file it cannot read.
    using BitmapReader = std::function<QImage(const std::string& path)>;
    // The current picture file filter ("name|pattern|..." form).
    using FilterSource = std::function<QString()>;

    TfrmOptionDlg(Settings& settings, AlbumState& state, QImage& texture,
                  QWidget* parent = nullptr);

    void SetBitmapReader(BitmapReader reader) { readBitmap_ = std::move(reader); }
    void SetPictureFilter(FilterSource filter) { pictureFilter_ = std::move(filter); }

    // Fills the controls and runs the dialog modally; true when it closed with "OK"
    // (the values are then already back in the main window's state).
    bool Execute();

    // Handlers.
    void FormShow();
    void OKBtnClick();
    void rdgCoverConfClick();
    void btnRefClick();
    void btnBStandSelectClick();
    void cbxBookStandChange(int index);
    void btnImgViewerSelectClick();
    void imgBaseTextureClick();
    void pnlCoverColorClick();
    void pnlPageColorClick();

    // The values the controls hold now.
    OptionValues ControlValues() const;
    const QImage& TexturePicture() const { return texture_; }
    Color CoverPanelColor() const { return coverColor_; }
    Color PagePanelColor() const { return pageColor_; }

    // The filter of the viewer chooser: programs have no extension here, so every file
    // is listed and only an executable one is taken.
    static const QString kViewerFilter;
    static const QString kTextureFilter;
    static const QString kDefaultPictureFilter;

    QTabWidget* tabs;
    RadioGroup *rdgSpilitMode, *rdgOpenMode, *rdgCoverConf, *rdgSusieLocation;
    QLineEdit* edtTitlePic;
    QPushButton* btnRef;
    QComboBox* cbxBookStand;
    QPushButton* btnBStandSelect;
    QLineEdit* edtImgViewer;
    QPushButton* btnImgViewerSelect;
    ClickLabel *imgBaseTexture, *pnlCoverColor, *pnlPageColor;
    QSpinBox* speACInterval;
    QCheckBox* cbxThum;
    ArrowOnlySpinBox* speThumSize;
    QSpinBox* speRate;
    QCheckBox* ckbClearImage;
    QCheckBox* ckbResumeOnOpen; // an album opens where reading stopped
    QComboBox* cbxLanguage;     // automatic, Japanese, English; read at the next start
    QPushButton *OKBtn, *CancelBtn;

private:
    QWidget* BuildBasicPage();
    QWidget* BuildFolderPage();
    QWidget* BuildTexturePage();
    QWidget* BuildOtherPage();
    QWidget* BuildPluginPage();
    void FillCoverItems();
    void FillBookStand();
    void ShowTexture(const QImage& picture);
    static void ShowColor(QLabel* panel, Color color);
    void PickColor(Color& color, QLabel* panel);

    Settings& settings_;
    AlbumState& state_;
    QImage& mainTexture_;
    QImage texture_;
    Color coverColor_ = 0xFFFFFF;
    Color pageColor_ = 0xFFFFFF;
    BitmapReader readBitmap_;
    FilterSource pictureFilter_;
};

// Reads a Windows bitmap file through Qt's reader; raises "ﾌｧｲﾙ %s は開けません" for a file
// it cannot open and "認識できない画像形式です" for one that is not a bitmap.
QImage ReadBitmapFile(const std::string& path);

} // namespace folivex
