#include "dock/arrange.h"

#include <utility>

#include "forms/exception.h"

namespace {

bool IsSide(TdxDockingType t)
{
    return t == TdxDockingType::dtLeft || t == TdxDockingType::dtTop || t == TdxDockingType::dtRight ||
           t == TdxDockingType::dtBottom;
}

// Places one member on a side of the rest of its site.
TdxArrangeNode Wrap(TdxArrangeNode side, TdxArrangeNode rest, TdxDockingType type)
{
    TdxArrangeNode node;
    node.kind = TdxArrangeNode::Split;
    const bool vertical = type == TdxDockingType::dtTop || type == TdxDockingType::dtBottom;
    node.orientation = vertical ? Qt::Vertical : Qt::Horizontal;
    const bool first = type == TdxDockingType::dtTop || type == TdxDockingType::dtLeft;
    TdxArrangeNode& a = first ? side : rest;
    TdxArrangeNode& b = first ? rest : side;
    for (TdxArrangeNode* part : {&a, &b}) {
        // The rest of a site has no size of its own: its members join this split.
        if (part == &rest && part->kind == TdxArrangeNode::Split && part->orientation == node.orientation)
            for (TdxArrangeNode& kid : part->kids)
                node.kids.push_back(std::move(kid));
        else
            node.kids.push_back(std::move(*part));
    }
    return node;
}

void Place(const TdxArrangeNode& node, TdxArrangeTarget& target, bool root)
{
    if (node.kind == TdxArrangeNode::Tabs) {
        const TdxDockItem* first = node.panels.front();
        for (std::size_t i = 1; i < node.panels.size(); ++i)
            target.Tabify(first, node.panels[i]);
        for (std::size_t i = 0; i < node.panels.size(); ++i)
            target.ShowInFront(node.panels[i], i == node.active);
        target.Raise(node.panels[node.active]);
        return;
    }
    if (node.kind == TdxArrangeNode::Leaf) {
        target.ShowInFront(node.panels.front(), true);
        return;
    }
    for (std::size_t i = 1; i < node.kids.size(); ++i)
        target.Split(DockAnchor(node.kids[i - 1]), DockAnchor(node.kids[i]), node.orientation);
    std::vector<const TdxDockItem*> anchors;
    std::vector<int> sizes;
    for (const TdxArrangeNode& kid : node.kids) {
        Place(kid, target, false);
        anchors.push_back(DockAnchor(kid));
        sizes.push_back(node.orientation == Qt::Vertical ? kid.height : kid.width);
    }
    target.Sizes(std::move(anchors), std::move(sizes), node.orientation, root);
}

}  // namespace

const TdxDockItem* DockAnchor(const TdxArrangeNode& node)
{
    return node.kind == TdxArrangeNode::Split ? DockAnchor(node.kids.front()) : node.panels.front();
}

bool FoldDockTree(const TdxDockItem& item, TdxArrangeNode& out, std::vector<const TdxDockItem*>& autoHidden)
{
    out.width = item.Width;
    out.height = item.Height;
    if (item.Class == TdxDockItem::Panel) {
        if (item.AutoHide) {
            autoHidden.push_back(&item);
            return false;
        }
        out.kind = TdxArrangeNode::Leaf;
        out.panels = {&item};
        return true;
    }
    const std::vector<TdxDockItem>& members = item.Children;
    if (item.Class == TdxDockItem::TabContainer) {
        out.kind = TdxArrangeNode::Tabs;
        for (std::size_t i = 0; i < members.size(); ++i) {
            const TdxDockItem& panel = members[i];
            if (panel.Class != TdxDockItem::Panel)
                throw Exception(Format("%s: a tab container holds dock panels only", item.Name.c_str()));
            if (panel.AutoHide) {
                autoHidden.push_back(&panel);
                continue;
            }
            if (static_cast<int>(i) == item.ActiveChildIndex)
                out.active = out.panels.size();
            out.panels.push_back(&panel);
        }
        return !out.panels.empty();
    }
    if (item.Class == TdxDockItem::VertContainer) {
        out.kind = TdxArrangeNode::Split;
        out.orientation = Qt::Vertical;
        for (const TdxDockItem& member : members) {
            TdxArrangeNode kid;
            if (FoldDockTree(member, kid, autoHidden))
                out.kids.push_back(std::move(kid));
        }
    } else {
        // A layout site (or the host): side members around the client member.
        std::vector<std::pair<TdxDockingType, TdxArrangeNode>> sides;
        std::vector<TdxArrangeNode> clients;
        for (const TdxDockItem& member : members) {
            TdxArrangeNode kid;
            if (!FoldDockTree(member, kid, autoHidden))
                continue;
            if (IsSide(member.DockType))
                sides.emplace_back(member.DockType, std::move(kid));
            else
                clients.push_back(std::move(kid));
        }
        TdxArrangeNode rest;
        bool haveRest = true;
        if (clients.size() == 1) {
            rest = std::move(clients.front());
        } else if (clients.size() > 1) {
            // Several client members share the client area, top to bottom.
            rest.kind = TdxArrangeNode::Split;
            rest.orientation = Qt::Vertical;
            rest.kids = std::move(clients);
        } else {
            haveRest = false;
        }
        for (auto it = sides.rbegin(); it != sides.rend(); ++it) {
            if (!haveRest) {
                rest = std::move(it->second);
                haveRest = true;
            } else {
                rest = Wrap(std::move(it->second), std::move(rest), it->first);
            }
        }
        if (!haveRest)
            return false;
        if (rest.kind != TdxArrangeNode::Split) {
            out = std::move(rest);
            return true;
        }
        out.kind = TdxArrangeNode::Split;
        out.orientation = rest.orientation;
        out.kids = std::move(rest.kids);
    }
    if (out.kids.empty())
        return false;
    if (out.kids.size() == 1) {
        const int w = out.width, h = out.height;
        TdxArrangeNode only = std::move(out.kids.front());
        out = std::move(only);
        if (!out.width)
            out.width = w;
        if (!out.height)
            out.height = h;
    }
    return true;
}

void PlaceDockTree(const TdxArrangeNode& root, TdxArrangeTarget& target) { Place(root, target, true); }
