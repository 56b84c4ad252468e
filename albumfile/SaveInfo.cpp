#include "albumfile/SaveInfo.h"

#include "ui/Dialogs.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace folivex {

namespace {

QPlainTextEdit* ReadOnlyMemo(QWidget* parent, const QRect& geometry) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setReadOnly(true);
    memo->setGeometry(geometry);
    return memo;
}

// Leading and trailing blanks and control characters, as the toolkit's Trim drops them.
QString TrimControls(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= ' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= ' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

TdlgSaveInfo::TdlgSaveInfo(SaveExchange& exchange, const std::string& shortcutFolder,
                           QWidget* parent)
    : QDialog(parent), exchange_(exchange), shortcutFolder_(shortcutFolder) {
    setObjectName(QStringLiteral("dlgSaveInfo"));
    setWindowTitle(tr("確認"));
    setFixedSize(482, 409);
    BuildControls();
}

void TdlgSaveInfo::BuildControls() {
    memInfo1 = ReadOnlyMemo(this, QRect(8, 8, 466, 112));
    edtFileName = new QLineEdit(this);
    edtFileName->setGeometry(8, 128, 420, 24);
    lblExtension = new QLabel(QStringLiteral(".ajv"), this);
    lblExtension->setGeometry(434, 130, 40, 20);
    memInfo2 = ReadOnlyMemo(this, QRect(8, 160, 466, 60));
    memInfo2->setPlainText(
        tr("また、この設定情報を格納したファイルへのショートカットを任意の場所に作成するこ\n"
           "とができます。\n"
           "ショートカット名は表紙に表示されるタイトル名になります。"));

    rdgMkShortCut = new QGroupBox(tr("ショートカットの作成(オプション)"), this);
    rdgMkShortCut->setGeometry(8, 226, 466, 100);
    rdgButtons = new QButtonGroup(this);
    const QString items[3] = {
        tr("ショートカットは作成しない"),
        tr("環境設定の「ショートカットの作成場所」で指定されているフォルダに作成"),
        tr("作成する場所を選択する")};
    for (int i = 0; i < 3; ++i) {
        rdgItems[i] = new QRadioButton(items[i], rdgMkShortCut);
        rdgItems[i]->setGeometry(12, 22 + i * 24, 446, 22);
        rdgButtons->addButton(rdgItems[i], i);
    }
    rdgItems[0]->setChecked(true);
    connect(rdgButtons, &QButtonGroup::idClicked, this, [this] { rdgMkShortCutClick(); });

    btnMkSCutFolderSelect = new QPushButton(tr("参照(&R).."), this);
    btnMkSCutFolderSelect->setGeometry(8, 340, 90, 26);
    btnMkSCutFolderSelect->setEnabled(false);
    connect(btnMkSCutFolderSelect, &QPushButton::clicked, this,
            [this] { btnMkSCutFolderSelectClick(); });
    Label2 = new QLabel(tr("ショートカットの作成先"), this);
    Label2->setGeometry(106, 332, 368, 16);
    sttMkSCutFolder = new QLabel(this);
    sttMkSCutFolder->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sttMkSCutFolder->setGeometry(106, 350, 368, 20);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(306, 376, 80, 26);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    CancelBtn = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    CancelBtn->setGeometry(394, 376, 80, 26);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

int TdlgSaveInfo::ItemIndex() const {
    return rdgButtons->checkedId();
}

void TdlgSaveInfo::SetItemIndex(int index) {
    rdgItems[index]->setChecked(true);
    rdgMkShortCutClick();
}

void TdlgSaveInfo::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    CentreOnScreen();
    FormShow();
}

void TdlgSaveInfo::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - rect().center());
}

// The radio group, the browse button and the folder text keep the last save's state.
void TdlgSaveInfo::FormShow() {
    memInfo1->setPlainText(
        tr("現在の Folivexの設定情報(目次、コメント、その他)が\r\n\r\n『%1AJVs/』フォルダに\r\n"
           "『%2.ajv』\r\n\r\nというファイル名で保存されます。\r\n"
           "ファイル名を変更したい場合には、下のテキストボックスで指定してください。")
            .arg(exchange_.saveNameText, exchange_.saveProposalText));
    edtFileName->setText(exchange_.saveProposalText);
}

void TdlgSaveInfo::rdgMkShortCutClick() {
    const int choice = ItemIndex();
    btnMkSCutFolderSelect->setEnabled(choice == 2);
    sttMkSCutFolder->setText(choice == 1 ? QString::fromStdString(shortcutFolder_) : QString());
}

void TdlgSaveInfo::btnMkSCutFolderSelectClick() {
    exchange_.saveProposalText.clear();
    exchange_.saveProposalText = AppDialogs().BrowseForFolder(QString());
    exchange_.folderPicked = !exchange_.saveProposalText.isEmpty();
    sttMkSCutFolder->setText(exchange_.saveProposalText);
}

void TdlgSaveInfo::OKBtnClick() {
    exchange_.saveNameText = TrimControls(edtFileName->text());
    exchange_.shortcutChoice = ItemIndex();
    // The dialog keeps its folder text from one save to the next; what it shows for
    // choice 2 is where the launcher goes, also when nothing was picked this time.
    exchange_.shownFolder = sttMkSCutFolder->text();
    accept();
}

} // namespace folivex
