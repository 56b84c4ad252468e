// The batch rename dialog "リネーム": the leading text, serial number, trailing text and
// output folder under which the listed pictures would be written out. The program copies
// and renames nothing; a confirmed dialog only stores the settings, which the summary box
// then shows.
#pragma once

#include "options/OptionWidgets.h"
#include "view/AlbumState.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <string>

namespace folivex {

// Kept by the main window; changed only by a confirmed dialog, never saved.
struct RenameSettings {
    std::string RenameTopText;
    std::string RenameEndText;
    int RenameFigures = 0;
    int RenameStep = 0;
    std::string RenameOutputFolder;
};

class TfrmRename : public QDialog {
    Q_OBJECT
public:
    // Created once and kept, so its fields keep their values between showings. It reads
    // the picture folder of `state` and fills `target` when confirmed.
    TfrmRename(const AlbumState& state, RenameSettings& target, QWidget* parent = nullptr);

    // Runs the dialog modally; true when it closed through "変換開始".
    virtual bool Execute();

    void btnOFolderSelectClick();
    void btnOKClick();

    QLineEdit *edtTopStr, *edtEndStr, *edtOutputFolder;
    BeepSpinBox* speNumFig;
    QSpinBox* speNumInc;
    QPushButton *btnOFolderSelect, *btnOK, *btnCancel;

private:
    const AlbumState& state_;
    RenameSettings& target_;
};

// The six lines of the summary box, joined by CR LF.
QString RenameSummary(const RenameSettings& settings);

// The picture list's "リネーム(&N)": the dialog, then, when confirmed, the summary box.
void ppmRenameClick(TfrmRename& dialog, const RenameSettings& settings);

} // namespace folivex
