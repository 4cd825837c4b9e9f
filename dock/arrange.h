#pragma once
// Arranging a dock tree on a docking area that knows only splits, tab groups
// and single panels (Qt's QMainWindow). The tree, given as a description, is
// folded into those, then placed by a series of operations on the area. Both
// steps work on plain data, so they run without widgets.

#include <QtCore/qnamespace.h>
#include <cstddef>
#include <vector>

#include "dock/layout.h"

// The tree as the docking area knows it. Panels are the Panel items of the
// description that was folded.
struct TdxArrangeNode {
    enum Kind { Leaf, Split, Tabs } kind = Leaf;
    Qt::Orientation orientation = Qt::Vertical;  // of a split
    std::vector<TdxArrangeNode> kids;            // of a split, in order
    std::vector<const TdxDockItem*> panels;      // of a tab group (or the one of a leaf)
    std::size_t active = 0;                      // the tab in front
    int width = 0;                               // extents, as the members have them (0: what is left)
    int height = 0;
};

// Folds an item and what it holds. A layout site (or the host) places its
// side members around its client members, the later sides nearer the client;
// a vertical container stacks its members; a tab container groups its panels.
// Auto-hidden panels are left out and listed in autoHidden, in tree order.
// False when nothing of the item is docked. A tab container that holds
// anything but panels fails with "<name>: a tab container holds dock panels only".
bool FoldDockTree(const TdxDockItem& item, TdxArrangeNode& out, std::vector<const TdxDockItem*>& autoHidden);

// The operations that put a folded tree on a docking area.
class TdxArrangeTarget {
public:
    // Puts `second` beside `first` (after it, in the orientation given).
    virtual void Split(const TdxDockItem* first, const TdxDockItem* second, Qt::Orientation orientation) = 0;
    // Puts `other` in a tab group with `first`.
    virtual void Tabify(const TdxDockItem* first, const TdxDockItem* other) = 0;
    // Marks whether a panel is the one its place shows; the front one of a
    // tab group is raised after its group is marked.
    virtual void ShowInFront(const TdxDockItem* panel, bool front) = 0;
    virtual void Raise(const TdxDockItem* panel) = 0;
    // The extents of a split's members, each given by its anchor; fillArea for
    // the outermost split, which fills the whole area.
    virtual void Sizes(std::vector<const TdxDockItem*> anchors, std::vector<int> sizes, Qt::Orientation orientation,
                       bool fillArea) = 0;

protected:
    ~TdxArrangeTarget() = default;
};

// The panel that stands for a node on the area: its first panel.
const TdxDockItem* DockAnchor(const TdxArrangeNode& node);

// Places a folded tree whose anchor is already on the area.
void PlaceDockTree(const TdxArrangeNode& root, TdxArrangeTarget& target);
