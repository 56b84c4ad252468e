// The batch rename dialog "リネーム": the leading text, serial number, trailing text and
// output folder under which the listed pictures are written out as copies, with an album
// file of the new names beside them. The originals are never renamed or changed.
#pragma once

#include "options/OptionWidgets.h"
#include "view/AlbumState.h"
#include "view/PictureList.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <functional>
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

// How a run of copies reaches the window: the progress text for the status panel, and
// whether to stop (it lets the window paint and take Esc meanwhile).
struct RenameRunHooks {
    std::function<void(const QString&)> status;
    std::function<bool()> stopping;
};

// The picture list's "リネーム(&N)": the dialog; when confirmed, a box with the summary
// that asks whether to write; then the copies of the listed pictures in album order, or
// a warning naming the first copy whose name is taken (and nothing written); finally a
// box with the number of files written.
void ppmRenameClick(TfrmRename& dialog, const RenameSettings& settings, const AlbumState& state,
                    const PictureList& pictures, const RenameRunHooks& hooks = {});

} // namespace folivex
