#pragma once
// Docking layout: a dock host with nested layout sites, vertical and tab
// containers and dockable panels, governed by a docking manager.
//
// The components form a tree through their parents (TControl::SetParent): the
// host TdxDockSite at the root, sites inside it, panels as leaves. Once the tree
// is complete, the host's Loaded() arranges it on Qt's dock widgets: every panel
// becomes a QDockWidget in the host's QMainWindow, containers become nested
// splits and tab groups, and auto-hidden panels collapse to tabs on the host's
// side bars. From then on the user moves, floats, tabs, auto-hides and closes
// panels; nothing of that is kept from one run to the next.
//
// A panel's Widget() is its client area: content controls are parented into it
// (AlignIn or a layout) and travel with the panel wherever it goes.

#include <QPointer>
#include <initializer_list>
#include <string>
#include <vector>

#include "forms/control.h"
#include "forms/graphics.h"

class QDockWidget;
class QMainWindow;
class TImageList;
class TdxCaptionBar;
class TdxDockHost;
class TdxDockPanel;
class TdxDockSite;

enum class TdxDockingType { dtNone, dtClient, dtLeft, dtTop, dtRight, dtBottom };
enum class TdxAutoHidePosition { ahpLeft, ahpTop, ahpRight, ahpBottom, ahpUndefined };
enum class TdxDockingViewStyle { vsStandard, vsNET };

enum class TdxDockingOption {
    doActivateAfterDocking,       // a panel docked by the user takes the focus
    doDblClickDocking,            // a double click on a caption floats or docks the panel
    doFloatingOnTop,              // floating panels stay above the window
    doTabContainerHasCaption,     // a tab group shows the caption of its front panel
    doTabContainerCanAutoHide,    // a tabbed panel offers the pin button
    doSideContainerCanClose,      // an untabbed docked panel offers the close button
    doSideContainerCanAutoHide,   // an untabbed docked panel offers the pin button
    doTabContainerCanInSideContainer,  // the user may nest tab groups inside splits
};

// A set of docking options.
class TdxDockingOptions {
public:
    TdxDockingOptions() = default;
    TdxDockingOptions(std::initializer_list<TdxDockingOption> options)
    {
        for (TdxDockingOption o : options)
            Include(o);
    }
    bool Contains(TdxDockingOption o) const { return (FBits & Bit(o)) != 0; }
    void Include(TdxDockingOption o) { FBits |= Bit(o); }
    void Exclude(TdxDockingOption o) { FBits &= ~Bit(o); }
    bool operator==(const TdxDockingOptions&) const = default;

private:
    static unsigned Bit(TdxDockingOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned FBits = 0;
};

// What the manager gives the containers the framework creates when the user re-docks.
struct TdxContainerSiteProperties {
    bool Dockable = true;
    int ImageIndex = -1;
};

// The docking manager of a form: found by the dock controls among the
// components of their owner (or the owner's owners). Its colour, font and images
// are handed on to every dock control's captions, tabs and side bars.
class TdxDockingManager : public TComponent {
public:
    explicit TdxDockingManager(TComponent* AOwner);

    TdxDockingViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TdxDockingViewStyle value) { FViewStyle = value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor value);
    const std::string& FontName() const { return FFontName; }
    int FontHeight() const { return FFontHeight; }
    // Font family and character height in pixels.
    void SetFont(const std::string& family, int pixelHeight);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value);
    TdxDockingOptions Options() const { return FOptions; }
    void SetOptions(TdxDockingOptions value);

    TdxContainerSiteProperties& DefaultHorizContainerSiteProperties() { return FHorizProperties; }
    TdxContainerSiteProperties& DefaultVertContainerSiteProperties() { return FVertProperties; }
    TdxContainerSiteProperties& DefaultTabContainerSiteProperties() { return FTabProperties; }

    // The manager that governs controls owned by owner, or nullptr.
    static TdxDockingManager* Find(const TComponent* owner);

private:
    // Re-applies look and options to every dock control of the owner.
    void Changed();

    TdxDockingViewStyle FViewStyle = TdxDockingViewStyle::vsStandard;
    TColor FColor = clBtnFace;
    TColor FFontColor = clBlack;
    std::string FFontName = "Tahoma";
    int FFontHeight = 11;
    TImageList* FImages = nullptr;
    TdxDockingOptions FOptions;
    TdxContainerSiteProperties FHorizProperties;
    TdxContainerSiteProperties FVertProperties;
    TdxContainerSiteProperties FTabProperties;
};

// The common part of sites and panels.
class TdxDockControl : public TControl {
public:
    TdxDockControl(TComponent* AOwner, QWidget* widget);
    ~TdxDockControl() override;

    TdxDockingType DockType() const { return FDockType; }
    void SetDockType(TdxDockingType value) { FDockType = value; }
    bool AllowFloating() const { return FAllowFloating; }
    virtual void SetAllowFloating(bool value) { FAllowFloating = value; }
    bool Dockable() const { return FDockable; }
    void SetDockable(bool value) { FDockable = value; }
    const std::string& Caption() const { return FCaption; }
    virtual void SetCaption(const std::string& value) { FCaption = value; }
    int ImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(int value) { FImageIndex = value; }

    // The size the control had when it was last docked, restored when it floats.
    int OriginalWidth() const { return FOriginalWidth; }
    void SetOriginalWidth(int value) { FOriginalWidth = value; }
    int OriginalHeight() const { return FOriginalHeight; }
    void SetOriginalHeight(int value) { FOriginalHeight = value; }

    // The extent the control takes in its site: the height of a member of a
    // vertical arrangement, the width of one of a horizontal arrangement
    // (0: what is left). Once arranged, Width() and Height() report the extent
    // on the screen.
    void SetWidth(int value) { FDesignWidth = value; }
    void SetHeight(int value) { FDesignHeight = value; }
    int DesignWidth() const { return FDesignWidth; }
    int DesignHeight() const { return FDesignHeight; }
    virtual int Width() const { return FDesignWidth; }
    virtual int Height() const { return FDesignHeight; }

    // The site this control is docked in (its parent, when that is a dock control).
    TdxDockControl* DockParent() const;
    // The members of this site in the order they were parented.
    std::vector<TdxDockControl*> DockChildren() const;

    TdxDockingManager* Manager() const;
    // The host at the root of this control's tree, or nullptr.
    TdxDockSite* Host() const;

    // Called when the manager's look or options change.
    virtual void ApplyManager() {}

protected:
    friend class TdxDockSite;
    // Freezes the member list (arranging moves widgets around).
    void SnapshotChildren();

private:
    TdxDockingType FDockType = TdxDockingType::dtNone;
    bool FAllowFloating = true;
    bool FDockable = true;
    std::string FCaption;
    int FImageIndex = -1;
    int FOriginalWidth = 0;
    int FOriginalHeight = 0;
    int FDesignWidth = 0;
    int FDesignHeight = 0;
    bool FSnapshot = false;
    std::vector<TdxDockControl*> FChildren;
    // Once arranged, the tree is kept here (members unlink themselves when freed).
    bool FHasSnapshotParent = false;
    TdxDockControl* FSnapshotParent = nullptr;
};

// A site only groups its members; it has no window of its own (its widget is
// an invisible anchor for its members while the tree is being built).
class TdxSiteControl : public TdxDockControl {
public:
    explicit TdxSiteControl(TComponent* AOwner);
};

// A site whose members are docked to its sides around a client member.
class TdxLayoutDockSite : public TdxSiteControl {
public:
    explicit TdxLayoutDockSite(TComponent* AOwner) : TdxSiteControl(AOwner) {}
};

// Members stacked from top to bottom.
class TdxVertContainerDockSite : public TdxSiteControl {
public:
    explicit TdxVertContainerDockSite(TComponent* AOwner) : TdxSiteControl(AOwner) {}
    int ActiveChildIndex() const { return FActiveChildIndex; }
    void SetActiveChildIndex(int value) { FActiveChildIndex = value; }

private:
    int FActiveChildIndex = -1;
};

// Panels shown one at a time, chosen by tabs.
class TdxTabContainerDockSite : public TdxSiteControl {
public:
    explicit TdxTabContainerDockSite(TComponent* AOwner) : TdxSiteControl(AOwner) {}
    // The index of the member in front. Once arranged, it follows the user's
    // choice of tab; -1 when none of the members is in the group any more.
    int ActiveChildIndex() const;
    void SetActiveChildIndex(int value);

private:
    int FActiveChildIndex = -1;
};

// The dock host: the root of the tree, a real widget holding the docking area
// and the side bars of auto-hidden panels.
class TdxDockSite : public TdxDockControl {
public:
    explicit TdxDockSite(TComponent* AOwner);
    ~TdxDockSite() override;

    // Aligns the host in its parent's widget (alClient: fills it).
    void SetAlign(TAlign value);
    TAlign Align() const { return FAlign; }

    // Arranges the tree built so far. Runs once; later calls do nothing.
    void Loaded() override;
    bool Arranged() const { return FArranged; }

    QMainWindow* MainWindow() const;
    // The side bar that holds the tabs of panels auto-hidden at position.
    QWidget* AutoHideBar(TdxAutoHidePosition position) const;
    // The auto-hidden panel slid out at present, or nullptr.
    TdxDockPanel* ShowingPanel() const;

    // How long a panel takes to slide out or in (0: at once).
    static int AnimationTime();
    static void SetAnimationTime(int milliseconds);

    int Width() const override;
    int Height() const override;
    void ApplyManager() override;

private:
    friend class TdxDockPanel;
    QPointer<TdxDockHost> FHost;  // a child of the host's widget: gone with it
    TAlign FAlign = TAlign::alNone;
    bool FArranged = false;
};

// A dockable panel with a caption and an icon.
class TdxDockPanel : public TdxDockControl {
public:
    explicit TdxDockPanel(TComponent* AOwner);
    ~TdxDockPanel() override;

    void SetCaption(const std::string& value) override;
    void SetImageIndex(int value) override;
    void SetAllowFloating(bool value) override;

    // The hint of the panel's tab, in a tab group and on a side bar; while it
    // is empty the tab's hint is the caption.
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value);

    bool AutoHide() const { return FAutoHide; }
    // Before arranging this only marks the panel; afterwards it collapses the
    // panel to a tab on the side bar nearest to it, or docks it back.
    void SetAutoHide(bool value);
    TdxAutoHidePosition AutoHidePosition() const { return FAutoHidePosition; }
    void SetAutoHidePosition(TdxAutoHidePosition value) { FAutoHidePosition = value; }

    // Shown: docked (in front or behind a tab), floating, or slid out. False when
    // the user closed it and while it is collapsed to its side-bar tab. (These
    // stand for the panel; TControl's own would show or hide only its client area.)
    bool Visible() const;
    // False closes the panel; true shows it again where it was.
    void SetVisible(bool value);

    bool Floating() const;
    void SetFloating(bool value);
    // Docked and its tab (if it has one) in front.
    bool InFront() const;
    // The other panels in its tab group.
    std::vector<TdxDockPanel*> TabbedWith() const;

    // Auto-hidden panels: slide out from the side-bar tab, or back in.
    void ShowAutoHidden();
    void HideAutoHidden();
    bool SlidOut() const;

    // The Qt dock widget that carries the panel while it is docked or floating.
    QDockWidget* DockWidget() const;
    // The tab that stands for the panel on a side bar while it is auto-hidden.
    QWidget* AutoHideTab() const;
    // The caption bar shown above the panel's content (docked, floating or slid out).
    QWidget* CaptionBar() const;

    int Width() const override;
    int Height() const override;
    void ApplyManager() override;

private:
    // The host arranges its panels; a tab container brings one to the front.
    friend class TdxDockSite;
    friend class TdxTabContainerDockSite;
    void Attach(TdxDockHost* host);
    void Detach();
    void UpdateCaption();
    // Marks the panel as the one its place in the layout shows (the front tab
    // of its group); once on the screen, its dock widget's reports keep it.
    void SetShownInLayout(bool value) { FShownInLayout = value; }
    // Once the tree is arranged: an auto-hidden panel collapses to its tab at
    // the side its dock type names, unless a position is set (hidden is what
    // "not visible" means for it at start); a docked panel designed
    // invisible starts closed, in its place.
    void StartAutoHidden();
    void StartClosedIfDesigned();

    QPointer<QDockWidget> FDockWidget;
    QPointer<TdxCaptionBar> FCaptionBar;
    std::string FHint;
    QPointer<TdxDockHost> FHost;  // null again once the host is gone
    bool FAttached = false;       // a host has taken the panel (FHost null then: it is gone)
    bool FAutoHide = false;
    TdxAutoHidePosition FAutoHidePosition = TdxAutoHidePosition::ahpUndefined;
    bool FClosed = false;
    bool FShownInLayout = false;
};
