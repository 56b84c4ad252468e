// TFolderTreeViewPetit: the folder tree of the contents page. It shows the desktop, the
// computer with its drives, the home folder and their folders, reads each level when it
// is first opened, and exposes the selected node's folder as Directory.
#pragma once

#include "contents/ShellNamespace.h"

#include <QTreeWidget>

#include <functional>
#include <string>
#include <unordered_map>

namespace folivex {

class TFolderTreeViewPetit : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFolderTreeViewPetit(ShellEnvironment env, QWidget* parent = nullptr);

    // The last directory stored, by a selection change or by SetDirectory. Empty for a
    // node without a file-system folder (the computer).
    const std::string& Directory() const { return directory_; }
    // Stores the path at once, then selects its node when the path can be walked; the
    // change handling runs only when that changes the selection.
    void SetDirectory(const std::string& path);

    // When true a node's children are read anew at each expansion (the contents page
    // keeps it false).
    bool RenewOnExpand = false;
    // Label editing is refused unless this allows it.
    std::function<bool(QTreeWidgetItem*)> OnEditing;

    // Rebuilds the whole tree from the desktop down.
    void BuildRoot();

    const FolderTreeModel& Model() const { return model_; }
    using QTreeWidget::edit;
    QTreeWidgetItem* ItemOf(const FolderNode* node) const;
    FolderNode* NodeOf(const QTreeWidgetItem* item) const;

signals:
    // OnChange: the selected node changed and Directory follows it.
    void Change();
    void Expanding(QTreeWidgetItem* item);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FillChildren(QTreeWidgetItem* item);
    // Scrolls so that the item's row and the start of its name are in view.
    void ShowName(QTreeWidgetItem* item);
    void AddItems(QTreeWidgetItem* parentItem, FolderNode* parent);
    QTreeWidgetItem* MakeItem(FolderNode* node);
    void OnItemExpanded(QTreeWidgetItem* item);
    void OnCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);

    FolderTreeModel model_;
    std::string directory_;
    std::unordered_map<const FolderNode*, QTreeWidgetItem*> items_;
};

} // namespace folivex
