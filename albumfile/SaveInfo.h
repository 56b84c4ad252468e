// The confirmation dialog of the album save: shows where the album goes, lets the user
// rename it and choose whether and where a launcher is made. It is created once and
// reused, so the launcher choice of the last save stays selected for the next.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace folivex {

// The values the save command and the dialog hand to each other.
struct SaveExchange {
    QString saveNameText;      // in: the program's data folder; out: the typed album name
    QString saveProposalText;  // in: the proposed name; out: the folder picked for choice 2
    int shortcutChoice = 0;    // out: 0 no launcher, 1 settings folder, 2 picked folder
    bool folderPicked = false; // out: the browse button picked a folder in this save
    QString shownFolder;       // out: the launcher folder the dialog showed at OK
};

class TdlgSaveInfo : public QDialog {
    Q_OBJECT
public:
    // `shortcutFolder` is the settings value shown for choice 1; both live as long as
    // the main window.
    TdlgSaveInfo(SaveExchange& exchange, const std::string& shortcutFolder,
                 QWidget* parent = nullptr);

    void FormShow();
    void rdgMkShortCutClick();
    void btnMkSCutFolderSelectClick();
    void OKBtnClick();

    int ItemIndex() const;
    void SetItemIndex(int index);

    QPlainTextEdit* memInfo1;
    QLineEdit* edtFileName;
    QLabel* lblExtension;
    QPlainTextEdit* memInfo2;
    QGroupBox* rdgMkShortCut;
    QButtonGroup* rdgButtons;
    QRadioButton* rdgItems[3];
    QPushButton* btnMkSCutFolderSelect;
    QLabel* Label2;
    QLabel* sttMkSCutFolder;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void CentreOnScreen();

    SaveExchange& exchange_;
    const std::string& shortcutFolder_;
};

} // namespace folivex
