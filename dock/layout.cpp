#include "dock/layout.h"

#include "forms/exception.h"

namespace {

TdxDockControl* Create(TComponent* owner, const TdxDockItem& item)
{
    switch (item.Class) {
    case TdxDockItem::Host: return new TdxDockSite(owner);
    case TdxDockItem::LayoutSite: return new TdxLayoutDockSite(owner);
    case TdxDockItem::VertContainer: {
        auto* site = new TdxVertContainerDockSite(owner);
        site->SetActiveChildIndex(item.ActiveChildIndex);
        return site;
    }
    case TdxDockItem::TabContainer: {
        auto* site = new TdxTabContainerDockSite(owner);
        site->SetActiveChildIndex(item.ActiveChildIndex);
        return site;
    }
    case TdxDockItem::Panel: {
        auto* panel = new TdxDockPanel(owner);
        panel->SetAutoHide(item.AutoHide);
        panel->SetAutoHidePosition(item.AutoHidePosition);
        return panel;
    }
    }
    throw Exception("unknown dock item class");
}

void Add(TComponent* owner, TdxDockControl* parent, const TdxDockItem& item)
{
    if (item.Class == TdxDockItem::Host)
        throw Exception(Format("%s: a dock host cannot sit inside another dock control", item.Name.c_str()));
    if (parent && dynamic_cast<TdxDockPanel*>(parent))
        throw Exception(Format("%s: a dock panel holds no dock controls", parent->Name().c_str()));
    TdxDockControl* control = Create(owner, item);
    control->SetName(item.Name);
    control->SetParent(parent);
    control->SetDockType(item.DockType);
    control->SetWidth(item.Width);
    control->SetHeight(item.Height);
    control->SetOriginalWidth(item.OriginalWidth);
    control->SetOriginalHeight(item.OriginalHeight);
    control->SetCaption(item.Caption);
    control->SetImageIndex(item.ImageIndex);
    control->SetAllowFloating(item.AllowFloating);
    for (const TdxDockItem& child : item.Children)
        Add(owner, control, child);
}

}  // namespace

TdxDockSite* BuildDockLayout(TComponent* owner, QWidget* parent, const TdxDockItem& root)
{
    if (root.Class != TdxDockItem::Host)
        throw Exception(Format("%s: the root of a dock layout is a dock host", root.Name.c_str()));
    auto* host = new TdxDockSite(owner);
    host->SetName(root.Name);
    host->SetDockType(root.DockType);
    host->SetWidth(root.Width);
    host->SetHeight(root.Height);
    host->SetOriginalWidth(root.OriginalWidth);
    host->SetOriginalHeight(root.OriginalHeight);
    if (parent) {
        host->SetParentWidget(parent);
        host->SetAlign(TAlign::alClient);
    } else if (root.Width > 0 && root.Height > 0) {
        host->Widget()->resize(root.Width, root.Height);
    }
    for (const TdxDockItem& child : root.Children)
        Add(owner, host, child);
    host->Loaded();
    return host;
}
