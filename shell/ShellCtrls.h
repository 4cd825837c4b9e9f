#pragma once
// The folder tree: the computer's folders as the namespace presents them,
// filled lazily (a node's children are listed the first time it expands), and
// the path of the selected folder.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QRect>

#include "forms/control.h"
#include "shell/folder.h"
#include "shell/idlist.h"
#include "shell/namespace.h"

class QTreeView;
class QPoint;

// What the tree lists.
enum TShellObjectType : unsigned { otFolders = 1, otNonFolders = 2, otHidden = 4 };
using TShellObjectTypes = unsigned;

class TShellTreeView;

// One node of the tree: its text, folder record, images and has-children flag.
class TTreeNode {
public:
    TTreeNode* Parent() const { return FParent; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    TTreeNode* Item(int index) const { return FChildren.at(static_cast<std::size_t>(index)).get(); }
    int Index() const { return FIndex; }
    int Level() const;

    const std::string& Text() const { return FText; }
    TShellFolder* Data() const { return FData.get(); }
    int ImageIndex() const { return FImageIndex; }
    int SelectedIndex() const { return FSelectedIndex; }
    int OverlayIndex() const { return FOverlayIndex; }
    bool HasChildren() const { return FHasChildren; }
    bool Expanded() const;

private:
    friend class TShellTreeView;
    friend class TShellTreeModel;

    TShellTreeView* FTree = nullptr;
    TTreeNode* FParent = nullptr;
    int FIndex = 0;
    std::string FText;
    std::unique_ptr<TShellFolder> FData;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    int FOverlayIndex = -1;
    bool FHasChildren = false;
    bool FIsFolder = false;
    bool FCanRename = false;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
};

class TShellTreeModel;
class TShellTreeWidget;

class TShellTreeView : public TControl {
public:
    explicit TShellTreeView(TComponent* AOwner);
    ~TShellTreeView() override;

    // A special folder name (rfMyComputer, ...; letters' case ignored) or a
    // path. Setting a new value rebuilds the tree; a value that names nothing
    // fails with "Error setting path: "%s"" and the previous root stays.
    const std::string& Root() const { return FRoot; }
    void SetRoot(const std::string& value);

    TShellObjectTypes ObjectTypes() const { return FObjectTypes; }
    void SetObjectTypes(TShellObjectTypes value) { FObjectTypes = value; }
    bool UseShellImages() const { return FUseShellImages; }
    void SetUseShellImages(bool value) { FUseShellImages = value; }
    // The tree never watches the file system; the value is kept for the design.
    bool AutoRefresh() const { return FAutoRefresh; }
    void SetAutoRefresh(bool value) { FAutoRefresh = value; }
    bool ShowRoot() const;
    void SetShowRoot(bool value);
    bool RightClickSelect() const { return FRightClickSelect; }
    void SetRightClickSelect(bool value) { FRightClickSelect = value; }
    int Indent() const;
    void SetIndent(int value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    bool AutoContextMenus() const { return FAutoContextMenus; }
    void SetAutoContextMenus(bool value) { FAutoContextMenus = value; }
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

    // Builds the root once the design values are set (if not built yet).
    void Loaded() override;

    // The nodes.
    int TopCount() const;
    TTreeNode* TopItem(int index = 0) const;
    TTreeNode* Selected() const;
    void SetSelected(TTreeNode* node);
    // The path of the selected folder; "" when nothing is selected.
    std::string SelectedFolderPath() const;

    // Expands a node, listing its children the first time.
    void Expand(TTreeNode* node);
    void Collapse(TTreeNode* node);
    // Rebuilds one node from the file system, keeping expansion, selection and
    // scrolling. The node and the nodes below it are replaced by new objects:
    // pointers to them are no longer valid; find the new ones by their id lists.
    void Refresh(TTreeNode* node);
    // The node with this absolute id list, searched from start (nullptr: the
    // whole tree) among start and the nodes below it.
    TTreeNode* FindNodeByID(shell::PCItemIDList absolute, TTreeNode* start = nullptr) const;

    // The right-button menu of the node at a point of the tree's viewport
    // (fromKeyboard: of the selected node, at its label).
    void ShowContextMenu(const QPoint& pos, bool fromKeyboard);
    // Starts editing a node's label.
    void EditLabel(TTreeNode* node);

    QTreeView* TreeView() const;
    // Where a node is drawn, in viewport coordinates (empty when not shown).
    QRect NodeRect(TTreeNode* node) const;

private:
    friend class TShellTreeModel;
    friend class TShellTreeWidget;
    friend class TTreeNode;

    void CreateRoot();
    void ClearItems();
    std::unique_ptr<TTreeNode> MakeNode(TTreeNode* parent, std::unique_ptr<TShellFolder> record,
                                        const std::shared_ptr<shell::IShellFolder>& listing, shell::PCItemIDList id);
    // Lists a node's children if it may expand; true when it may.
    bool CanExpand(TTreeNode* node);
    void PopulateNode(TTreeNode* node);
    void InsertNodes(TTreeNode* parent, int row, std::vector<std::unique_ptr<TTreeNode>> nodes);
    void DeleteNode(TTreeNode* node);
    void Edited(TTreeNode* node, const std::string& text);
    struct TViewState;
    TViewState SaveViewState(TTreeNode* node, bool withNode) const;
    void RestoreViewState(const TViewState& state, TTreeNode* node);
    // Lists a node's children anew, keeping the node itself.
    void RelistChildren(TTreeNode* node);
    bool CommandBefore(TTreeNode* node, const std::string& verb);
    void CommandAfter(TTreeNode* node, const std::string& verb, bool succeeded);
    unsigned EnumFlags() const;

    std::string FRoot = "rfDesktop";
    std::string FOldRoot;
    std::unique_ptr<TShellFolder> FRootFolder;
    bool FRootBuilt = false;
    bool FCreatingRoot = false;
    TShellObjectTypes FObjectTypes = otFolders;
    bool FUseShellImages = true;
    bool FAutoRefresh = false;
    bool FRightClickSelect = false;
    bool FParentColor = false;
    bool FAutoContextMenus = true;
    bool FHideSelection = true;
    bool FReadOnly = false;
    TTreeNode* FMenuNode = nullptr;

    TTreeNode FTop;  // holds the top-level nodes
    // The view owns the model; both go with the widget, which a parent widget
    // may free before us.
    QPointer<TShellTreeModel> FModel;
    QPointer<TShellTreeWidget> FView;
};
