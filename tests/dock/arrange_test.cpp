// Folding and placing dock trees, on descriptions alone (no widgets).

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/PlayerDockLayout.h"
#include "dock/arrange.h"

namespace {

using K = TdxDockItem;
using T = TdxDockingType;

// A node as text: splits as H(...) or V(...), tab groups as T[...] with the
// front tab starred; each member with its extent in its parent's direction.
std::string Render(const TdxArrangeNode& node, Qt::Orientation along = Qt::Vertical)
{
    std::string s;
    if (node.kind == TdxArrangeNode::Split) {
        s = node.orientation == Qt::Vertical ? "V(" : "H(";
        for (std::size_t i = 0; i < node.kids.size(); ++i)
            s += (i ? " " : "") + Render(node.kids[i], node.orientation);
        s += ")";
    } else if (node.kind == TdxArrangeNode::Tabs) {
        s = "T[";
        for (std::size_t i = 0; i < node.panels.size(); ++i)
            s += (i ? " " : "") + node.panels[i]->Name + (i == node.active ? "*" : "");
        s += "]";
    } else {
        s = node.panels.front()->Name;
    }
    const int extent = along == Qt::Vertical ? node.height : node.width;
    return extent ? s + ":" + std::to_string(extent) : s;
}

std::vector<std::string> Names(const std::vector<const TdxDockItem*>& items)
{
    std::vector<std::string> names;
    for (const TdxDockItem* item : items)
        names.push_back(item->Name);
    return names;
}

// The operations a placement asks of the area, one line each.
class Recorder : public TdxArrangeTarget {
public:
    std::vector<std::string> ops;
    void Split(const TdxDockItem* first, const TdxDockItem* second, Qt::Orientation orientation) override
    {
        ops.push_back("split " + first->Name + (orientation == Qt::Vertical ? " above " : " left of ") + second->Name);
    }
    void Tabify(const TdxDockItem* first, const TdxDockItem* other) override
    {
        ops.push_back("tab " + other->Name + " with " + first->Name);
    }
    void ShowInFront(const TdxDockItem* panel, bool front) override
    {
        ops.push_back((front ? "front " : "behind ") + panel->Name);
    }
    void Raise(const TdxDockItem* panel) override { ops.push_back("raise " + panel->Name); }
    void Sizes(std::vector<const TdxDockItem*> anchors, std::vector<int> sizes, Qt::Orientation,
               bool fillArea) override
    {
        std::string line = fillArea ? "sizes (filling)" : "sizes";
        for (std::size_t i = 0; i < anchors.size(); ++i)
            line += " " + anchors[i]->Name + "=" + std::to_string(sizes[i]);
        ops.push_back(line);
    }
};

TEST(DockArrangement, ThePlayersLayoutStacksToolBarListAndLyricTabsWithTheExplorerAside)
{
    const TdxDockItem layout = PlayerDockLayout();
    TdxArrangeNode root;
    std::vector<const TdxDockItem*> autoHidden;
    ASSERT_TRUE(FoldDockTree(layout, root, autoHidden));
    // The empty site folds away; the tool bar's side joins the vertical stack below it.
    EXPECT_EQ(Render(root), "V(dxDockPanel1:82 dpnlFileList:261 T[dpnlDynamicLyric* dpnlLyric]:166):509");
    EXPECT_EQ(Names(autoHidden), std::vector<std::string>{"dpnlExplorer"});

    Recorder area;
    PlaceDockTree(root, area);
    EXPECT_EQ(area.ops, (std::vector<std::string>{
                            "split dxDockPanel1 above dpnlFileList", "split dpnlFileList above dpnlDynamicLyric",
                            "front dxDockPanel1", "front dpnlFileList", "tab dpnlLyric with dpnlDynamicLyric",
                            "front dpnlDynamicLyric", "behind dpnlLyric", "raise dpnlDynamicLyric",
                            "sizes (filling) dxDockPanel1=82 dpnlFileList=261 dpnlDynamicLyric=166"}));
}

TEST(DockArrangement, SidesWrapTheClientsAndEmptiedContainersGiveTheirExtentOn)
{
    // Sides given first are outermost; two clients share the middle and join
    // the split of the side around them.
    TdxDockItem host = DockItem(K::Host, "h", T::dtNone);
    host.Children = {DockItem(K::Panel, "left", T::dtLeft, 100, 0), DockItem(K::Panel, "bottom", T::dtBottom, 0, 120),
                     DockItem(K::Panel, "one", T::dtClient), DockItem(K::Panel, "two", T::dtClient)};
    TdxArrangeNode root;
    std::vector<const TdxDockItem*> autoHidden;
    ASSERT_TRUE(FoldDockTree(host, root, autoHidden));
    EXPECT_EQ(Render(root), "H(left:100 V(one two bottom:120))");

    // A container left with one member passes its extent to it; a tab group
    // keeps its front tab when one before it is auto-hidden.
    TdxDockItem hidden = DockItem(K::Panel, "hidden", T::dtClient);
    hidden.AutoHide = true;
    TdxDockItem vert = DockItem(K::VertContainer, "vert", T::dtTop, 0, 200);
    vert.Children = {hidden, DockItem(K::Panel, "kept", T::dtClient)};
    TdxDockItem tabs = DockItem(K::TabContainer, "tabs", T::dtClient);
    tabs.ActiveChildIndex = 2;
    tabs.Children = {hidden, DockItem(K::Panel, "x", T::dtClient), DockItem(K::Panel, "y", T::dtClient)};
    tabs.Children[0].Name = "hiddenTab";
    TdxDockItem host2 = DockItem(K::Host, "h2", T::dtNone);
    host2.Children = {vert, tabs};
    autoHidden.clear();
    ASSERT_TRUE(FoldDockTree(host2, root, autoHidden));
    EXPECT_EQ(Render(root), "V(kept:200 T[x y*])");
    EXPECT_EQ(Names(autoHidden), (std::vector<std::string>{"hidden", "hiddenTab"}));

    // Nothing docked at all: nothing to place.
    TdxDockItem empty = DockItem(K::Host, "h3", T::dtNone);
    empty.Children = {hidden, DockItem(K::LayoutSite, "site", T::dtClient)};
    EXPECT_FALSE(FoldDockTree(empty, root, autoHidden));
}

}  // namespace
