// The three dockable toolbars of the main window with their speed buttons, and the
// captions of the window-menu items that hide and show them. The main window connects
// the buttons to its commands; this class knows nothing of those commands.
#pragma once

#include <QAction>
#include <QObject>
#include <QToolBar>

#include <array>

class QMainWindow;

namespace folivex {

// The window-menu items whose captions follow the toolbars' visibility.
struct ToolbarMenuItems {
    QAction* hideAll = nullptr;
    QAction* hideAlbumFile = nullptr;
    QAction* hideBasic = nullptr;
    QAction* hideAlbumConf = nullptr;
};

class MainToolbars : public QObject {
    Q_OBJECT
public:
    // Adds the bars to the window's top dock, in the order album file, basic, album
    // settings.
    MainToolbars(QMainWindow* window, ToolbarMenuItems items);

    // Checks the mode buttons that match the album's split mode, opening and drawing.
    void ApplyModes(bool fourSplit, bool rightOpen, bool clearImage);
    // The mode buttons are usable on the View page only.
    void SetModeButtonsEnabled(bool enabled);
    std::array<QAction*, 6> ModeButtons() const;

    // The window-menu commands: each flips its bar (or all three) and renames its items.
    void ToggleAlbumFileBar();
    void ToggleBasicBar();
    void ToggleAlbumConfBar();
    void ToggleAll();
    // 0 while "hide all" is offered, 1 after it hid the bars.
    int HideAllTag() const { return hideAllTag_; }

    QToolBar *tlbAlbumFileBar, *tlbBasicBar, *tlbAlbumConfBar;
    QAction *spbOpen, *spbClose, *spbViewFolder, *spbSave;
    QAction *spbView, *spbContents;
    QAction *spbConfig, *spb2Spilit, *spb4Spilit, *spbRightOpen, *spbLeftOpen, *spbNormalImage,
        *spbClearImage, *spbWriteTitle;

private:
    void BuildAlbumFileBar(QMainWindow* window);
    void BuildBasicBar(QMainWindow* window);
    void BuildAlbumConfBar(QMainWindow* window);
    void ConnectClose(QToolBar* bar, QAction* item, const QString& hiddenCaption);
    static void Toggle(QToolBar* bar, QAction* item, const QString& shownCaption,
                       const QString& hiddenCaption);

    ToolbarMenuItems items_;
    int hideAllTag_ = 0;
};

} // namespace folivex
