#pragma once
// The inside of a dock host: the docking area (a QMainWindow without a central
// widget), the four side bars of auto-hidden panels, the frames those panels
// slide out in, and the filters that collapse a slid-out panel again.

#include <QObject>
#include <QPointer>
#include <QVariantAnimation>
#include <array>
#include <functional>
#include <vector>

#include "dock/dock.h"

class QBoxLayout;
class QFrame;
class QGridLayout;
class TdxAutoHideTab;

class TdxDockHost : public QObject {
public:
    explicit TdxDockHost(TdxDockSite* site);
    ~TdxDockHost() override;

    TdxDockSite* Site() const { return FSite; }
    QWidget* Frame() const { return FFrame; }
    QMainWindow* MainWindow() const { return FMainWindow; }
    QWidget* Bar(TdxAutoHidePosition position) const;

    void AddPanel(TdxDockPanel* panel);
    void RemovePanel(TdxDockPanel* panel);
    const std::vector<TdxDockPanel*>& Panels() const { return FPanels; }

    // Collapses a panel to a tab on its side bar (its content moves to its slide frame).
    void Collapse(TdxDockPanel* panel);
    // Takes a panel off its side bar and docks it on that side of the area.
    void DockBack(TdxDockPanel* panel);
    void SlideOut(TdxDockPanel* panel);
    void SlideIn();
    TdxDockPanel* Showing() const { return FShowing; }
    QWidget* SlideFrame(TdxDockPanel* panel) const;
    QWidget* Tab(TdxDockPanel* panel) const;
    void HideTab(TdxDockPanel* panel, bool hidden);

    // Sizes that can be given only once the area has its size on the screen.
    void AddPendingSizes(std::vector<QDockWidget*> docks, std::vector<int> sizes, Qt::Orientation orientation,
                         bool fillArea);
    void ApplyPendingSizes();
    // Applies them once the events queued now (the new layout among them) are handled.
    void QueueApply();

    void ApplyLook();
    // The manager's font and the panels' icons on the tabs of tab groups.
    void RefreshTabs();
    void QueueRefreshTabs();
    // The side an untabbed docked panel collapses to.
    TdxAutoHidePosition NearestSide(TdxDockPanel* panel) const;

    static int FAnimationTime;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Slide {
        TdxDockPanel* panel;
        QWidget* clip;
        QFrame* frame;
        TdxAutoHideTab* tab;
    };
    struct PendingSizes {
        std::vector<QPointer<QDockWidget>> docks;
        std::vector<int> sizes;
        Qt::Orientation orientation;
        bool fillArea;
    };
    Slide* Find(TdxDockPanel* panel);
    const Slide* Find(TdxDockPanel* panel) const;
    QRect FinalRect(const Slide& slide) const;
    void Place(const Slide& slide, double t);
    void UpdateBars();
    void FocusChanged(QWidget* now);
    bool Inside(QWidget* widget) const;

    TdxDockSite* FSite;
    QPointer<QWidget> FFrame;
    QMainWindow* FMainWindow;
    QGridLayout* FGrid;
    std::array<QWidget*, 4> FBars{};
    std::array<QBoxLayout*, 4> FBarLayouts{};
    std::vector<TdxDockPanel*> FPanels;
    std::vector<Slide> FSlides;
    TdxDockPanel* FShowing = nullptr;
    TdxDockPanel* FAnimated = nullptr;  // the panel the animation moves
    QVariantAnimation* FAnimation;
    bool FHiding = false;
    std::vector<PendingSizes> FPending;
    bool FApplyQueued = false;
    bool FRefreshQueued = false;
};
