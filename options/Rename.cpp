#include "options/Rename.h"

#include "albumfile/AlbumExport.h"
#include "ui/Dialogs.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace folivex {

namespace {

QLabel* GreenMark(QWidget* parent) {
    auto* mark = new QLabel(QStringLiteral("(*)"), parent);
    mark->setStyleSheet(QStringLiteral("color: green; font-weight: bold;"));
    return mark;
}

// The dialog keeps its fixed small size; tight margins let every row fit.
template <typename Layout> Layout* Tight(Layout* layout) {
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(4);
    return layout;
}

} // namespace

TfrmRename::TfrmRename(const AlbumState& state, RenameSettings& target, QWidget* parent)
    : QDialog(parent), state_(state), target_(target) {
    setWindowTitle(tr("リネーム"));
    setFixedSize(296, 234);

    auto* format = new QGroupBox(tr("出力ﾌｧｲﾙ名書式"), this);
    edtTopStr = new QLineEdit(format);
    edtEndStr = new QLineEdit(format);
    auto* sample = new QLabel(QStringLiteral("000"), format);
    sample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sample->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sample->setFixedWidth(32);
    auto* extension = new QLabel(QStringLiteral(".JPG"), format);
    extension->setStyleSheet(QStringLiteral("color: gray;"));
    auto* formatGrid = Tight(new QGridLayout(format));
    formatGrid->addWidget(new QLabel(tr("先頭文字列"), format), 0, 0);
    formatGrid->addWidget(new QLabel(tr("末尾文字列"), format), 0, 2);
    formatGrid->addWidget(edtTopStr, 1, 0);
    formatGrid->addWidget(sample, 1, 1);
    formatGrid->addWidget(edtEndStr, 1, 2);
    formatGrid->addWidget(extension, 1, 3);
    formatGrid->addWidget(GreenMark(format), 1, 4);

    auto* serial = new QGroupBox(tr("連番設定"), this);
    speNumFig = new BeepSpinBox(serial);
    speNumFig->setRange(0, 10);
    speNumFig->setValue(3);
    speNumInc = new QSpinBox(serial);
    speNumInc->setRange(1, 1000);
    speNumInc->setValue(1);
    auto* serialRow = Tight(new QHBoxLayout(serial));
    serialRow->addWidget(new QLabel(tr("数字桁数"), serial));
    serialRow->addWidget(speNumFig);
    serialRow->addWidget(new QLabel(tr("桁"), serial));
    serialRow->addWidget(new QLabel(tr("増分"), serial));
    serialRow->addWidget(speNumInc);
    serialRow->addStretch();

    auto* output = new QGroupBox(tr("出力フォルダ"), this);
    edtOutputFolder = new QLineEdit(output);
    edtOutputFolder->setReadOnly(true);
    btnOFolderSelect = new QPushButton(tr("参照.."), output);
    auto* outputRow = Tight(new QHBoxLayout(output));
    outputRow->addWidget(edtOutputFolder);
    outputRow->addWidget(btnOFolderSelect);

    btnOK = new QPushButton(tr("変換開始"), this);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    connect(btnOFolderSelect, &QPushButton::clicked, this, &TfrmRename::btnOFolderSelectClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmRename::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* note = new QHBoxLayout;
    note->addWidget(GreenMark(this));
    note->addWidget(new QLabel(tr("出力拡張子は例です。"), this));
    note->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = Tight(new QVBoxLayout(this));
    layout->addWidget(format);
    layout->addLayout(note);
    layout->addWidget(serial);
    layout->addWidget(output);
    layout->addLayout(buttons);
}

bool TfrmRename::Execute() {
    return exec() == QDialog::Accepted;
}

void TfrmRename::btnOFolderSelectClick() {
    // A cancelled chooser gives an empty text, which empties the field.
    edtOutputFolder->setText(AppDialogs().BrowseForFolder(edtOutputFolder->text()));
}

void TfrmRename::btnOKClick() {
    const QString folder = edtOutputFolder->text();
    if (folder.isEmpty()) {
        AppDialogs().WarningYes(tr("出力先フォルダが指定されていません。"));
        return;
    }
    const QString withSlash = folder.endsWith(QLatin1Char('/')) ? folder : folder + '/';
    if (withSlash == QString::fromStdString(state_.pictureFolder)) {
        AppDialogs().WarningYes(tr("現在読み込んでいる画像のあるフォルダには出力できません。"));
        return;
    }
    target_.RenameTopText = edtTopStr->text().toUtf8().toStdString();
    target_.RenameEndText = edtEndStr->text().toUtf8().toStdString();
    target_.RenameFigures = speNumFig->value();
    target_.RenameStep = speNumInc->value();
    target_.RenameOutputFolder = folder.toUtf8().toStdString();
    accept();
}

QString RenameSummary(const RenameSettings& s) {
    const QStringList lines{
        TfrmRename::tr("テスト"),
        TfrmRename::tr("  先頭文字列") + QString::fromStdString(s.RenameTopText),
        TfrmRename::tr("  末尾文字列") + QString::fromStdString(s.RenameEndText),
        TfrmRename::tr("  連番桁数  ") + QString::number(s.RenameFigures),
        TfrmRename::tr("  連番増分  ") + QString::number(s.RenameStep),
        TfrmRename::tr("  出力先    ") + QString::fromStdString(s.RenameOutputFolder)};
    return lines.join(QStringLiteral("\r\n"));
}

namespace {

ExportFormat FormatOf(const RenameSettings& s) {
    return {s.RenameTopText, s.RenameEndText, s.RenameFigures, s.RenameStep, s.RenameOutputFolder};
}

QString RunReport(const AlbumExport::Result& result) {
    QString text = result.stopped
                       ? TfrmRename::tr("中止しました。%1 個のファイルを書き出しました。")
                       : TfrmRename::tr("%1 個のファイルを書き出しました。");
    text = text.arg(result.written);
    if (!result.albumPath.empty())
        text +=
            QStringLiteral("\r\n") +
            TfrmRename::tr("アルバムファイル: %1").arg(QString::fromStdString(result.albumPath));
    return text;
}

} // namespace

void ppmRenameClick(TfrmRename& dialog, const RenameSettings& settings, const AlbumState& state,
                    const PictureList& pictures, const RenameRunHooks& hooks) {
    if (!dialog.Execute())
        return;
    AlbumExport copies(state, pictures, FormatOf(settings));
    if (!AppDialogs().Confirm(RenameSummary(settings) + QStringLiteral("\r\n\r\n") +
                              TfrmRename::tr("これらのファイルを書き出しますか?")))
        return;
    const std::string taken = copies.FirstExistingTarget();
    if (!taken.empty()) {
        AppDialogs().WarningYes(
            TfrmRename::tr("%1 は既にあります。ファイルは書き出しませんでした。")
                .arg(QString::fromStdString(taken)));
        return;
    }
    const auto result = copies.Run([&hooks](std::size_t done, std::size_t total) {
        if (hooks.status)
            hooks.status(TfrmRename::tr("書き出し中 %1/%2 (Escで中止)").arg(done).arg(total));
        return !(hooks.stopping && hooks.stopping());
    });
    AppDialogs().Information(RunReport(result));
}

} // namespace folivex
