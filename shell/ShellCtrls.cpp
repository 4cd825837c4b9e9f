#include "shell/ShellCtrls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>
#include <cstring>
#include <set>

#include "forms/application.h"
#include "forms/exception.h"
#include "shell/contextmenu.h"
#include "shell/images.h"
#include "shell/treemodel.h"

using namespace shell;

// ---------------------------------------------------------------------------
// Helpers

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

// Two Root values are the same when they name the same special folder or are
// the same path. Paths keep their case: on Linux /a and /A are two folders.
bool SameRoot(const std::string& a, const std::string& b)
{
    const int special = SpecialFolderOf(a);
    return special >= 0 ? special == SpecialFolderOf(b) : a == b;
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

struct NoRedraw {
    QWidget* widget;
    bool was;
    explicit NoRedraw(QWidget* w) : widget(w), was(w->updatesEnabled()) { widget->setUpdatesEnabled(false); }
    ~NoRedraw() { widget->setUpdatesEnabled(was); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Nodes

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* node = FParent; node && node->FParent; node = node->FParent)
        ++level;
    return level;
}

// ---------------------------------------------------------------------------
// The view: mouse rules for OnClick and the right-button menu

class TShellTreeWidget : public QTreeView {
public:
    explicit TShellTreeWidget(TShellTreeView* tree) : FTree(tree) {}

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        FLeftPressed = event->button() == Qt::LeftButton;
        // The right button shows the menu of the node under it without
        // selecting it.
        if (event->button() == Qt::RightButton)
            return;
        // A press on empty space keeps the selection as it is.
        if (!indexAt(event->position().toPoint()).isValid())
            return;
        QTreeView::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QTreeView::mouseReleaseEvent(event);
        if (event->button() != Qt::LeftButton || !FLeftPressed)
            return;
        FLeftPressed = false;
        // The release that ends a double click raises nothing more.
        if (FDoubleClicked) {
            FDoubleClicked = false;
            return;
        }
        if (!viewport()->rect().contains(event->position().toPoint()))
            return;
        Application->Dispatch([this] { Fire(FTree->OnClick, FTree); });
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            FDoubleClicked = true;
        if (event->button() == Qt::RightButton)
            return;
        QTreeView::mouseDoubleClickEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        const bool fromKeyboard = event->reason() == QContextMenuEvent::Keyboard;
        const QPoint pos = event->pos();
        event->accept();
        Application->Dispatch([&] { FTree->ShowContextMenu(pos, fromKeyboard); });
    }

    void showEvent(QShowEvent* event) override
    {
        // The column fits its widest name, measured from the first show on:
        // measuring reads each visible node's icon, and the tree is built hidden.
        header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        QTreeView::showEvent(event);
        if (!FTree->FRootBuilt && !FTree->FCreatingRoot)
            Application->Dispatch([this] { FTree->CreateRoot(); });
    }

private:
    TShellTreeView* FTree;
    bool FLeftPressed = false;
    bool FDoubleClicked = false;
};

// ---------------------------------------------------------------------------
// The tree

TShellTreeView::TShellTreeView(TComponent* AOwner) : TControl(AOwner, new TShellTreeWidget(this))
{
    FTop.FTree = this;
    FView = static_cast<TShellTreeWidget*>(Widget());
    FModel = new TShellTreeModel(this);
    FModel->setParent(FView);
    FView->setModel(FModel);
    FView->setHeaderHidden(true);
    FView->setUniformRowHeights(true);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    FView->setContextMenuPolicy(Qt::DefaultContextMenu);
    FView->setAnimated(false);
    FView->header()->setStretchLastSection(false);
    SetHideSelection(true);

    // A node the user expands is listed then; nodes expanded by our own code
    // are listed before.
    QObject::connect(FView, &QTreeView::expanded, FView, [this](const QModelIndex& index) {
        TTreeNode* node = FModel->NodeOf(index);
        Application->Dispatch([&] { CanExpand(node); });
    });
    // The selected node shows its "open" icon.
    QObject::connect(FView->selectionModel(), &QItemSelectionModel::selectionChanged, FView,
                     [this](const QItemSelection& selected, const QItemSelection& deselected) {
                         for (const QModelIndex& index : deselected.indexes())
                             emit FModel->dataChanged(index, index, {Qt::DecorationRole});
                         for (const QModelIndex& index : selected.indexes())
                             emit FModel->dataChanged(index, index, {Qt::DecorationRole});
                     });
}

TShellTreeView::~TShellTreeView()
{
    // The view may still ask the model while it goes; the nodes go first.
    if (FView)
        FView->setModel(nullptr);
    FTop.FChildren.clear();
}

QTreeView* TShellTreeView::TreeView() const { return FView; }

bool TShellTreeView::ShowRoot() const { return FView->rootIsDecorated(); }
void TShellTreeView::SetShowRoot(bool value) { FView->setRootIsDecorated(value); }
int TShellTreeView::Indent() const { return FView->indentation(); }
void TShellTreeView::SetIndent(int value) { FView->setIndentation(value); }

void TShellTreeView::SetParentColor(bool value)
{
    FParentColor = value;
    FView->setAutoFillBackground(!value);
    FView->viewport()->setBackgroundRole(value ? QPalette::Window : QPalette::Base);
}

void TShellTreeView::SetHideSelection(bool value)
{
    FHideSelection = value;
    QPalette palette = FView->palette();
    const QPalette standard = QApplication::palette(FView);
    if (value) {
        palette.setColor(QPalette::Inactive, QPalette::Highlight, standard.color(QPalette::Inactive, QPalette::Base));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         standard.color(QPalette::Inactive, QPalette::Text));
    } else {
        palette.setColor(QPalette::Inactive, QPalette::Highlight, standard.color(QPalette::Inactive, QPalette::Highlight));
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                         standard.color(QPalette::Inactive, QPalette::HighlightedText));
    }
    FView->setPalette(palette);
}

void TShellTreeView::SetReadOnly(bool value) { FReadOnly = value; }

void TShellTreeView::Loaded()
{
    TControl::Loaded();
    if (!FRootBuilt)
        CreateRoot();
}

void TShellTreeView::SetRoot(const std::string& value)
{
    if (FRootBuilt && SameRoot(value, FRoot))
        return;
    FOldRoot = FRoot;
    FRoot = value;
    CreateRoot();
}

unsigned TShellTreeView::EnumFlags() const
{
    unsigned flags = 0;
    if (FObjectTypes & otFolders)
        flags |= SHCONTF_FOLDERS;
    if (FObjectTypes & otNonFolders)
        flags |= SHCONTF_NONFOLDERS;
    if (FObjectTypes & otHidden)
        flags |= SHCONTF_INCLUDEHIDDEN;
    return flags;
}

void TShellTreeView::CreateRoot()
{
    if (FCreatingRoot)
        return;
    FCreatingRoot = true;
    struct Leave { bool& flag; ~Leave() { flag = false; } } leave{FCreatingRoot};
    FRootBuilt = true;

    // 1. Resolve the root to an absolute id list.
    TItemIdList absolute;
    bool resolved = false;
    const int special = SpecialFolderOf(FRoot);
    if (special >= 0) {
        resolved = GetSpecialFolderLocation(special, absolute);
    } else {
        resolved = DesktopShellFolder().ShellFolder()->ParseDisplayName(FRoot, absolute);
    }
    std::string failed;
    if (!resolved) {
        // 2. Keep the previous root and report the value that named nothing.
        failed = FRoot;
        FRoot = FOldRoot;
    } else {
        // 3. Bind the folder and make the root record.
        const auto& desktop = DesktopShellFolder().ShellFolder();
        std::shared_ptr<IShellFolder> folder =
            IsEmptyIdList(absolute.get()) ? desktop : desktop->BindToObject(absolute.get());
        if (!folder)
            folder = desktop;
        FRootFolder = std::make_unique<TShellFolder>(&DesktopShellFolder(), absolute.get(), folder);
    }

    if (FRootFolder) {
        // 4. Clear the tree, 5. add the top node, 6. expand and select it.
        ClearItems();
        auto record = std::make_unique<TShellFolder>(nullptr, FRootFolder->AbsoluteID(), FRootFolder->ShellFolder());
        const auto desktop = DesktopShellFolder().ShellFolder();
        auto node = MakeNode(&FTop, std::move(record), desktop, FRootFolder->AbsoluteID());
        node->FText = node->FData->DisplayName(SHGDN_NORMAL);
        TTreeNode* top = node.get();
        std::vector<std::unique_ptr<TTreeNode>> nodes;
        nodes.push_back(std::move(node));
        InsertNodes(&FTop, 0, std::move(nodes));
        Expand(top);
        SetSelected(top);
    }
    if (!failed.empty())
        throw Exception(Format("Error setting path: \"%s\"", failed.c_str()));
}

void TShellTreeView::ClearItems()
{
    FMenuNode = nullptr;
    FModel->BeginReset();
    FTop.FChildren.clear();
    FModel->EndReset();
}

std::unique_ptr<TTreeNode> TShellTreeView::MakeNode(TTreeNode* parent, std::unique_ptr<TShellFolder> record,
                                                    const std::shared_ptr<IShellFolder>& listing, PCItemIDList id)
{
    auto node = std::make_unique<TTreeNode>();
    node->FTree = this;
    node->FParent = parent;
    node->FData = std::move(record);
    if (listing) {
        std::string name;
        node->FText = listing->GetDisplayNameOf(id, SHGDN_INFOLDER, name) ? name : std::string();
        if (FUseShellImages) {
            TShellImages& images = TShellImages::System();
            node->FImageIndex = images.IndexOf(listing->IconName(id, false));
            node->FSelectedIndex = images.IndexOf(listing->IconName(id, true));
            if (node->FSelectedIndex <= 0)
                node->FSelectedIndex = node->FImageIndex;
        }
        const std::uint32_t attributes =
            listing->GetAttributesOf(id, SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_SHARE | SFGAO_CANRENAME);
        node->FIsFolder = attributes & SFGAO_FOLDER;
        node->FHasChildren = attributes & SFGAO_HASSUBFOLDER;
        node->FCanRename = attributes & SFGAO_CANRENAME;
        if ((attributes & SFGAO_SHARE) && FUseShellImages)
            node->FOverlayIndex = TShellImages::System().IndexOf("emblem-shared");
    } else {
        node->FText = "parentfolder = nil";
    }
    return node;
}

void TShellTreeView::InsertNodes(TTreeNode* parent, int row, std::vector<std::unique_ptr<TTreeNode>> nodes)
{
    if (nodes.empty())
        return;
    const int count = static_cast<int>(nodes.size());
    FModel->BeginInsert(parent, row, row + count - 1);
    auto& children = parent->FChildren;
    children.insert(children.begin() + row, std::make_move_iterator(nodes.begin()),
                    std::make_move_iterator(nodes.end()));
    for (std::size_t i = static_cast<std::size_t>(row); i < children.size(); ++i) {
        children[i]->FIndex = static_cast<int>(i);
        children[i]->FParent = parent;
    }
    FModel->EndInsert();
}

void TShellTreeView::DeleteNode(TTreeNode* node)
{
    if (!node || !node->FParent)
        return;
    if (FMenuNode == node)
        FMenuNode = nullptr;
    TTreeNode* parent = node->FParent;
    const int row = node->FIndex;
    FModel->BeginRemove(parent, row, row);
    std::unique_ptr<TTreeNode> gone = std::move(parent->FChildren[static_cast<std::size_t>(row)]);
    parent->FChildren.erase(parent->FChildren.begin() + row);
    for (std::size_t i = static_cast<std::size_t>(row); i < parent->FChildren.size(); ++i)
        parent->FChildren[i]->FIndex = static_cast<int>(i);
    FModel->EndRemove();
}

bool TShellTreeView::CanExpand(TTreeNode* node)
{
    if (!node)
        return false;
    if (node->FIsFolder && node->FHasChildren && node->FChildren.empty())
        PopulateNode(node);
    const bool had = node->FHasChildren;
    node->FHasChildren = !node->FChildren.empty();
    if (had && !node->FHasChildren) {
        // The expand button goes: nothing was found below.
        const QPersistentModelIndex index(FModel->IndexOf(node));
        FModel->Changed(node);
        QMetaObject::invokeMethod(FView, [this, index] {
            if (index.isValid()) {
                FView->collapse(index);
                FView->doItemsLayout();
            }
        }, Qt::QueuedConnection);
    }
    return true;
}

void TShellTreeView::PopulateNode(TTreeNode* node)
{
    WaitCursor cursor;
    NoRedraw redraw(FView);
    const std::shared_ptr<IShellFolder> folder = node->FData->ShellFolder();
    if (!folder)
        return;
    std::vector<TItemIdList> ids;
    try {
        if (!folder->EnumObjects(EnumFlags(), ids))
            return;
    } catch (const std::exception&) {
        // A folder that cannot be listed simply has no children.
        return;
    }
    // Children in the folder's own order: sort keys give the order of its
    // comparison of two items.
    std::vector<std::pair<std::string, std::unique_ptr<TTreeNode>>> made;
    made.reserve(ids.size());
    for (TItemIdList& id : ids) {
        auto bound = BindFolder(folder, id.get(), nullptr);
        auto record = std::make_unique<TShellFolder>(node->FData.get(), id.get(), std::move(bound));
        auto child = MakeNode(node, std::move(record), folder, id.get());
        made.emplace_back(folder->SortKey(id.get()), std::move(child));
    }
    std::sort(made.begin(), made.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::unique_ptr<TTreeNode>> nodes;
    nodes.reserve(made.size());
    for (auto& entry : made)
        nodes.push_back(std::move(entry.second));
    InsertNodes(node, 0, std::move(nodes));
}

void TShellTreeView::Expand(TTreeNode* node)
{
    if (!node || !CanExpand(node) || node->FChildren.empty())
        return;
    FView->expand(FModel->IndexOf(node));
}

void TShellTreeView::Collapse(TTreeNode* node)
{
    if (node)
        FView->collapse(FModel->IndexOf(node));
}

bool TTreeNode::Expanded() const
{
    return FTree && FTree->FView->isExpanded(FTree->FModel->IndexOf(const_cast<TTreeNode*>(this)));
}

int TShellTreeView::TopCount() const { return FTop.Count(); }
TTreeNode* TShellTreeView::TopItem(int index) const
{
    return index >= 0 && index < FTop.Count() ? FTop.Item(index) : nullptr;
}

TTreeNode* TShellTreeView::Selected() const
{
    const QModelIndexList selected = FView->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? nullptr : FModel->NodeOf(selected.front());
}

void TShellTreeView::SetSelected(TTreeNode* node)
{
    if (!node) {
        FView->selectionModel()->clear();
        return;
    }
    FView->selectionModel()->setCurrentIndex(FModel->IndexOf(node), QItemSelectionModel::ClearAndSelect);
}

std::string TShellTreeView::SelectedFolderPath() const
{
    const TTreeNode* node = Selected();
    return node && node->FData ? node->FData->PathName() : std::string();
}

QRect TShellTreeView::NodeRect(TTreeNode* node) const { return FView->visualRect(FModel->IndexOf(node)); }

TTreeNode* TShellTreeView::FindNodeByID(PCItemIDList absolute, TTreeNode* start) const
{
    if (!absolute)
        return nullptr;
    const auto& desktop = DesktopShellFolder().ShellFolder();
    // Depth first from start, over start and the nodes below it.
    std::vector<TTreeNode*> pending;
    if (start)
        pending.push_back(start);
    else
        for (auto it = FTop.FChildren.rbegin(); it != FTop.FChildren.rend(); ++it)
            pending.push_back(it->get());
    while (!pending.empty()) {
        TTreeNode* node = pending.back();
        pending.pop_back();
        if (node->FData && desktop->CompareIDs(node->FData->AbsoluteID(), absolute) == 0)
            return node;
        for (auto it = node->FChildren.rbegin(); it != node->FChildren.rend(); ++it)
            pending.push_back(it->get());
    }
    return nullptr;
}

// What the user sees of a part of the tree: the top row, the selection and
// which nodes are expanded, by absolute id list so that it survives a rebuild.
struct TShellTreeView::TViewState {
    TItemIdList topID;
    TItemIdList selectedID;
    std::vector<TItemIdList> expanded;
};

TShellTreeView::TViewState TShellTreeView::SaveViewState(TTreeNode* node, bool withNode) const
{
    TViewState state;
    if (TTreeNode* top = FModel->NodeOf(FView->indexAt(QPoint(1, 1))); top && top != &FTop && top->FData)
        state.topID = TItemIdList::Copy(top->FData->AbsoluteID());
    if (TTreeNode* selected = Selected(); selected && selected->FData)
        state.selectedID = TItemIdList::Copy(selected->FData->AbsoluteID());
    std::vector<TTreeNode*> walk{node};
    while (!walk.empty()) {
        TTreeNode* at = walk.back();
        walk.pop_back();
        if ((withNode || at != node) && at->Expanded())
            state.expanded.push_back(TItemIdList::Copy(at->FData->AbsoluteID()));
        for (auto& child : at->FChildren)
            walk.push_back(child.get());
    }
    return state;
}

void TShellTreeView::RestoreViewState(const TViewState& state, TTreeNode* node)
{
    // Expand again what was expanded, top down.
    const auto& desktop = DesktopShellFolder().ShellFolder();
    auto wasExpanded = [&](TTreeNode* at) {
        return std::any_of(state.expanded.begin(), state.expanded.end(), [&](const TItemIdList& id) {
            return desktop->CompareIDs(id.get(), at->FData->AbsoluteID()) == 0;
        });
    };
    std::vector<TTreeNode*> walk{node};
    while (!walk.empty()) {
        TTreeNode* at = walk.back();
        walk.pop_back();
        if (at != node && !wasExpanded(at))
            continue;
        if (at != node || wasExpanded(at))
            Expand(at);
        for (auto& child : at->FChildren)
            walk.push_back(child.get());
    }
    if (state.selectedID)
        if (TTreeNode* again = FindNodeByID(state.selectedID.get()))
            SetSelected(again);
    if (state.topID)
        if (TTreeNode* again = FindNodeByID(state.topID.get()))
            FView->scrollTo(FModel->IndexOf(again), QAbstractItemView::PositionAtTop);
}

void TShellTreeView::Refresh(TTreeNode* node)
{
    if (!node || !node->FData || !node->FParent)
        return;
    WaitCursor cursor;
    NoRedraw redraw(FView);
    const TViewState state = SaveViewState(node, true);

    // A fresh node for the same item, before the old one.
    TShellFolder* old = node->FData.get();
    auto record = std::make_unique<TShellFolder>(old->Parent(), old->RelativeID(), old->ShellFolder());
    const auto listing = old->Parent() ? old->Parent()->ShellFolder() : nullptr;
    auto fresh = MakeNode(node->FParent, std::move(record), listing, old->RelativeID());
    if (node->FParent == &FTop)
        fresh->FText = fresh->FData->DisplayName(SHGDN_NORMAL);
    TTreeNode* freshNode = fresh.get();
    std::vector<std::unique_ptr<TTreeNode>> nodes;
    nodes.push_back(std::move(fresh));
    InsertNodes(node->FParent, node->FIndex, std::move(nodes));
    CanExpand(freshNode);
    DeleteNode(node);
    RestoreViewState(state, freshNode);
}

void TShellTreeView::RelistChildren(TTreeNode* node)
{
    WaitCursor cursor;
    NoRedraw redraw(FView);
    const TViewState state = SaveViewState(node, false);
    if (!node->FChildren.empty()) {
        FModel->BeginRemove(node, 0, node->Count() - 1);
        node->FChildren.clear();
        FModel->EndRemove();
    }
    node->FHasChildren = true;
    CanExpand(node);
    RestoreViewState(state, node);
}

void TShellTreeView::EditLabel(TTreeNode* node)
{
    if (node && !FReadOnly)
        FView->edit(FModel->IndexOf(node));
}

void TShellTreeView::Edited(TTreeNode* node, const std::string& text)
{
    if (!node || !node->FData || text == node->FText)
        return;
    if (!(node->FData->Attributes(SFGAO_CANRENAME) & SFGAO_CANRENAME))
        return;
    const auto parent = node->FData->ParentShellFolder();
    TItemIdList renamed;
    if (!parent || !parent->SetNameOf(node->FData->RelativeID(), text, renamed))
        throw Exception(Format("Rename to %s failed", text.c_str()));
    auto folder = BindFolder(parent, renamed.get(), nullptr);
    node->FData->SetRelativeID(std::move(renamed), std::move(folder));
    node->FText = text;
    FModel->Changed(node);
    // What was listed below it still carries the old name: list it again,
    // keeping what was expanded and selected there.
    if (node->Count() > 0) {
        std::vector<TTreeNode*> below{node};
        while (!below.empty()) {
            TTreeNode* at = below.back();
            below.pop_back();
            for (auto& child : at->FChildren) {
                child->FData->ParentMoved();
                below.push_back(child.get());
            }
        }
        RelistChildren(node);
    }
}

void TShellTreeView::ShowContextMenu(const QPoint& pos, bool fromKeyboard)
{
    if (!FAutoContextMenus)
        return;
    TTreeNode* node = nullptr;
    if (!fromKeyboard && FRightClickSelect) {
        const QModelIndex index = FView->indexAt(pos);
        if (index.isValid())
            node = FModel->NodeOf(index);
    }
    if (!node)
        node = Selected();
    if (!node || !node->FData)
        return;
    const QPoint at = fromKeyboard ? FView->visualRect(FModel->IndexOf(node)).center() : pos;

    TShellContextMenu menu(node->FData->ParentShellFolder(), node->FData->RelativeID());
    if (menu.Commands().empty())
        return;
    // While the menu is open its node is the one the commands act on; the
    // selection itself does not change.
    FMenuNode = node;
    struct Leave { TTreeNode*& node; ~Leave() { node = nullptr; } } leave{FMenuNode};

    const QPoint screen = FView->viewport()->mapToGlobal(at);
    std::string verb;
    if (ShellHooks().Popup) {
        verb = ShellHooks().Popup(menu.Commands(), screen);
    } else {
        QMenu popup(FView);
        for (const TMenuCommand& command : menu.Commands())
            popup.addAction(QString::fromStdString(command.Caption))->setData(QString::fromStdString(command.Verb));
        if (QAction* chosen = popup.exec(screen))
            verb = chosen->data().toString().toStdString();
    }
    if (verb.empty() || !FMenuNode)
        return;
    bool succeeded = true;
    if (!CommandBefore(FMenuNode, verb))
        succeeded = menu.InvokeCommand(verb, FView);
    if (FMenuNode)
        CommandAfter(FMenuNode, verb, succeeded);
    if (!succeeded && !menu.Error().empty())
        throw Exception(menu.Error());
}

bool TShellTreeView::CommandBefore(TTreeNode* node, const std::string& verb)
{
    if (SameIgnoringCase(verb, "rename")) {
        EditLabel(node);
        return true;
    }
    return false;
}

void TShellTreeView::CommandAfter(TTreeNode* node, const std::string& verb, bool succeeded)
{
    if (!succeeded)
        return;
    if (SameIgnoringCase(verb, "delete")) {
        struct stat st {};
        if (::lstat(node->FData->PathName().c_str(), &st) != 0)
            DeleteNode(node);
    } else if (SameIgnoringCase(verb, "paste")) {
        Refresh(node);
    }
}
