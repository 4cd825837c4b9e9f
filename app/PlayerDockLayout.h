#pragma once
// The player window's dock arrangement, as its design gives it.

#include "dock/layout.h"
#include "forms/comctrls.h"

inline TdxDockItem DockItem(TdxDockItem::Kind kind, const char* name, TdxDockingType type, int width = 0,
                            int height = 0)
{
    TdxDockItem item;
    item.Class = kind;
    item.Name = name;
    item.DockType = type;
    item.Width = width;
    item.Height = height;
    return item;
}

inline TdxDockItem PlayerDockLayout()
{
    using T = TdxDockingType;
    using K = TdxDockItem;
    auto original = [](TdxDockItem& item, int width, int height) {
        item.OriginalWidth = width;
        item.OriginalHeight = height;
    };
    TdxDockItem toolBar = DockItem(K::Panel, "dxDockPanel1", T::dtTop, 0, 82);
    toolBar.Caption = "撥放工具列";
    original(toolBar, 185, 82);
    TdxDockItem fileList = DockItem(K::Panel, "dpnlFileList", T::dtTop, 0, 261);
    fileList.Caption = "歌曲列表";
    original(fileList, 185, 261);
    TdxDockItem dynamicLyric = DockItem(K::Panel, "dpnlDynamicLyric", T::dtClient);
    dynamicLyric.Caption = "動態歌詞";
    dynamicLyric.ImageIndex = 1;
    original(dynamicLyric, 185, 166);
    TdxDockItem lyric = DockItem(K::Panel, "dpnlLyric", T::dtClient);
    lyric.Caption = "歌詞原始檔";
    original(lyric, 185, 166);
    TdxDockItem tabs = DockItem(K::TabContainer, "dxTabContainerDockSite2", T::dtTop, 0, 166);
    tabs.ActiveChildIndex = 0;
    original(tabs, 185, 166);
    tabs.Children = {dynamicLyric, lyric};
    TdxDockItem vert = DockItem(K::VertContainer, "dxVertContainerDockSite2", T::dtClient, 771, 427);
    vert.ActiveChildIndex = -1;
    original(vert, 185, 140);
    vert.Children = {fileList, tabs};
    TdxDockItem site2 = DockItem(K::LayoutSite, "dxLayoutDockSite2", T::dtClient, 771, 427);
    original(site2, 300, 200);
    TdxDockItem site5 = DockItem(K::LayoutSite, "dxLayoutDockSite5", T::dtClient, 771, 427);
    original(site5, 300, 200);
    site5.Children = {site2, vert};
    TdxDockItem site1 = DockItem(K::LayoutSite, "dxLayoutDockSite1", T::dtClient, 771, 509);
    original(site1, 300, 200);
    site1.Children = {toolBar, site5};
    TdxDockItem explorer = DockItem(K::Panel, "dpnlExplorer", T::dtLeft, 185, 0);
    explorer.Caption = "檔案總管";
    explorer.ImageIndex = 0;
    explorer.AutoHide = true;
    explorer.AutoHidePosition = TdxAutoHidePosition::ahpLeft;
    original(explorer, 185, 140);
    TdxDockItem host = DockItem(K::Host, "dsHost", T::dtNone, 795, 509);
    original(host, 795, 509);
    host.Children = {site1, explorer};
    return host;
}

// The manager as the window sets it.
inline TdxDockingManager* PlayerDockingManager(TComponent* owner, TImageList* images)
{
    using O = TdxDockingOption;
    auto* manager = new TdxDockingManager(owner);
    manager->SetName("dxDockingManager1");
    manager->SetViewStyle(TdxDockingViewStyle::vsNET);
    manager->SetColor(clBtnFace);
    manager->SetFont("Tahoma", 11);
    manager->SetFontColor(clBlack);
    manager->SetImages(images);
    manager->SetOptions({O::doActivateAfterDocking, O::doDblClickDocking, O::doFloatingOnTop,
                         O::doTabContainerHasCaption, O::doTabContainerCanAutoHide, O::doSideContainerCanClose,
                         O::doSideContainerCanAutoHide, O::doTabContainerCanInSideContainer});
    return manager;
}
