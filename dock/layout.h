#pragma once
// Building a dock tree from a description: who sits in which site, with which
// dock type, size, caption, icon and auto-hide setting. The components are
// created with the given owner and names, so the owner finds them by name.

#include <string>
#include <vector>

#include "dock/dock.h"

struct TdxDockItem {
    enum Kind { Host, LayoutSite, VertContainer, TabContainer, Panel };

    Kind Class = Panel;
    std::string Name;
    TdxDockingType DockType = TdxDockingType::dtNone;
    int Width = 0;   // extent in a horizontal arrangement (0: what is left)
    int Height = 0;  // extent in a vertical arrangement (0: what is left)
    int OriginalWidth = 0;
    int OriginalHeight = 0;
    std::string Caption;
    int ImageIndex = -1;
    bool AllowFloating = true;
    bool AutoHide = false;
    TdxAutoHidePosition AutoHidePosition = TdxAutoHidePosition::ahpUndefined;
    int ActiveChildIndex = -1;
    std::vector<TdxDockItem> Children;
};

// Creates the tree under a new host (the root item must be a Host), makes the
// host fill parent when one is given, and arranges it.
TdxDockSite* BuildDockLayout(TComponent* owner, QWidget* parent, const TdxDockItem& root);
