#include "dock/dock.h"

#include <QDockWidget>
#include <QMainWindow>
#include <map>

#include "dock/arrange.h"
#include "dock/host.h"
#include "dock/look.h"
#include "forms/alignlayout.h"

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// The widget property that leads from a widget back to its dock control.
const char* const kControlProperty = "dxDockControl";

// The widget of a site: it only anchors the site's members while the tree is
// built, and is never shown.
class TdxSiteAnchor : public QWidget {
public:
    void setVisible(bool) override { QWidget::setVisible(false); }
};

// Gives the focus to the first widget of a panel's content that takes it.
void FocusContent(QWidget* body)
{
    if (!body || !body->isVisible())
        return;
    const auto children = body->findChildren<QWidget*>();
    for (QWidget* w : children)
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    body->setFocus(Qt::OtherFocusReason);
}

}  // namespace

// ---- TdxDockingManager ----

TdxDockingManager::TdxDockingManager(TComponent* AOwner) : TComponent(AOwner) {}

void TdxDockingManager::SetColor(TColor value)
{
    FColor = value;
    Changed();
}

void TdxDockingManager::SetFontColor(TColor value)
{
    FFontColor = value;
    Changed();
}

void TdxDockingManager::SetFont(const std::string& family, int pixelHeight)
{
    FFontName = family;
    FFontHeight = pixelHeight;
    Changed();
}

void TdxDockingManager::SetImages(TImageList* value)
{
    FImages = value;
    Changed();
}

void TdxDockingManager::SetOptions(TdxDockingOptions value)
{
    FOptions = value;
    Changed();
}

TdxDockingManager* TdxDockingManager::Find(const TComponent* owner)
{
    for (const TComponent* o = owner; o; o = o->Owner())
        for (int i = 0; i < o->ComponentCount(); ++i)
            if (auto* manager = dynamic_cast<TdxDockingManager*>(o->Components(i)))
                return manager;
    return nullptr;
}

void TdxDockingManager::Changed()
{
    if (!Owner())
        return;
    for (int i = 0; i < Owner()->ComponentCount(); ++i)
        if (auto* control = dynamic_cast<TdxDockControl*>(Owner()->Components(i)))
            control->ApplyManager();
}

// ---- TdxDockControl ----

TdxDockControl::TdxDockControl(TComponent* AOwner, QWidget* widget) : TControl(AOwner, widget)
{
    if (widget)
        widget->setProperty(kControlProperty, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
}

TdxDockControl::~TdxDockControl()
{
    if (FHasSnapshotParent && FSnapshotParent)
        std::erase(FSnapshotParent->FChildren, this);
    for (TdxDockControl* child : FChildren)
        child->FSnapshotParent = nullptr;
}

TdxDockControl* TdxDockControl::DockParent() const
{
    if (FHasSnapshotParent)
        return FSnapshotParent;
    return dynamic_cast<TdxDockControl*>(Parent());
}

std::vector<TdxDockControl*> TdxDockControl::DockChildren() const
{
    if (FSnapshot)
        return FChildren;
    std::vector<TdxDockControl*> children;
    if (!Widget())
        return children;
    // Members are the widgets parented into this control's widget, in the order they came.
    for (QObject* child : Widget()->children()) {
        const QVariant v = child->property(kControlProperty);
        if (!v.isValid())
            continue;
        auto* control = reinterpret_cast<TdxDockControl*>(v.value<quintptr>());
        if (control->DockParent() == this)
            children.push_back(control);
    }
    return children;
}

void TdxDockControl::SnapshotChildren()
{
    FChildren = DockChildren();
    FSnapshot = true;
    for (TdxDockControl* child : FChildren) {
        child->FHasSnapshotParent = true;
        child->FSnapshotParent = this;
        child->SnapshotChildren();
    }
}

TdxDockingManager* TdxDockControl::Manager() const { return TdxDockingManager::Find(Owner()); }

TdxDockSite* TdxDockControl::Host() const
{
    const TdxDockControl* c = this;
    while (c->DockParent())
        c = c->DockParent();
    return dynamic_cast<TdxDockSite*>(const_cast<TdxDockControl*>(c));
}

TdxSiteControl::TdxSiteControl(TComponent* AOwner) : TdxDockControl(AOwner, new TdxSiteAnchor) {}

// ---- TdxTabContainerDockSite ----

int TdxTabContainerDockSite::ActiveChildIndex() const
{
    const TdxDockSite* host = Host();
    if (!host || !host->Arranged())
        return FActiveChildIndex;
    const auto members = DockChildren();
    for (std::size_t i = 0; i < members.size(); ++i) {
        auto* panel = dynamic_cast<TdxDockPanel*>(members[i]);
        if (!panel || !panel->InFront())
            continue;
        // In front of a group that still holds another member of this container.
        for (TdxDockPanel* other : panel->TabbedWith())
            if (std::find(members.begin(), members.end(), other) != members.end())
                return static_cast<int>(i);
    }
    return -1;
}

void TdxTabContainerDockSite::SetActiveChildIndex(int value)
{
    FActiveChildIndex = value;
    const TdxDockSite* host = Host();
    if (!host || !host->Arranged())
        return;
    const auto members = DockChildren();
    if (value < 0 || value >= static_cast<int>(members.size()))
        return;
    if (auto* panel = dynamic_cast<TdxDockPanel*>(members[value]); panel && panel->DockWidget()) {
        panel->DockWidget()->raise();
        panel->SetShownInLayout(true);
        for (TdxDockPanel* other : panel->TabbedWith())
            other->SetShownInLayout(false);
    }
}

// ---- TdxDockSite: arranging the tree ----

namespace {

// The description of a control's tree as it stands, for folding.
TdxDockItem Describe(TdxDockControl* control)
{
    TdxDockItem item;
    item.Name = control->Name();
    item.DockType = control->DockType();
    item.Width = control->DesignWidth();
    item.Height = control->DesignHeight();
    if (auto* panel = dynamic_cast<TdxDockPanel*>(control)) {
        item.Class = TdxDockItem::Panel;
        item.AutoHide = panel->AutoHide();
        return item;  // a panel's content is no part of the tree
    }
    if (auto* tabs = dynamic_cast<TdxTabContainerDockSite*>(control)) {
        item.Class = TdxDockItem::TabContainer;
        item.ActiveChildIndex = tabs->ActiveChildIndex();
    } else if (dynamic_cast<TdxVertContainerDockSite*>(control)) {
        item.Class = TdxDockItem::VertContainer;
    } else {
        item.Class = dynamic_cast<TdxDockSite*>(control) ? TdxDockItem::Host : TdxDockItem::LayoutSite;
    }
    for (TdxDockControl* member : control->DockChildren())
        item.Children.push_back(Describe(member));
    return item;
}

// Each panel item of a description of control's tree, with its panel.
void MapPanels(const TdxDockItem& item, TdxDockControl* control, std::map<const TdxDockItem*, TdxDockPanel*>& panels)
{
    if (auto* panel = dynamic_cast<TdxDockPanel*>(control)) {
        panels[&item] = panel;
        return;
    }
    const auto members = control->DockChildren();
    for (std::size_t i = 0; i < members.size(); ++i)
        MapPanels(item.Children[i], members[i], panels);
}

}  // namespace

TdxDockSite::TdxDockSite(TComponent* AOwner) : TdxDockControl(AOwner, new QWidget), FHost(new TdxDockHost(this)) {}

TdxDockSite::~TdxDockSite() { delete FHost.data(); }

void TdxDockSite::SetAlign(TAlign value)
{
    FAlign = value;
    if (value != TAlign::alNone && Widget() && Widget()->parentWidget())
        AlignIn(Widget()->parentWidget(), this, value);
}

void TdxDockSite::Loaded()
{
    if (FArranged || !FHost)
        return;
    SnapshotChildren();
    const TdxDockItem tree = Describe(this);
    std::map<const TdxDockItem*, TdxDockPanel*> panels;
    MapPanels(tree, this, panels);
    TdxArrangeNode root;
    std::vector<const TdxDockItem*> autoHidden;
    const bool any = FoldDockTree(tree, root, autoHidden);
    // Every panel of the tree gets its dock widget, arranged or not.
    std::vector<TdxDockControl*> stack{this};
    while (!stack.empty()) {
        TdxDockControl* c = stack.back();
        stack.pop_back();
        if (auto* panel = dynamic_cast<TdxDockPanel*>(c))
            panel->Attach(FHost);
        for (TdxDockControl* child : c->DockChildren())
            stack.push_back(child);
    }
    FArranged = true;
    if (any) {
        // The docking area's side of the arrangement.
        class Area : public TdxArrangeTarget {
        public:
            Area(TdxDockHost* host, const std::map<const TdxDockItem*, TdxDockPanel*>& panels)
                : FHost(host), FPanels(panels)
            {
            }
            TdxDockPanel* Panel(const TdxDockItem* item) const { return FPanels.at(item); }
            QDockWidget* Dock(const TdxDockItem* item) const { return Panel(item)->DockWidget(); }
            void Split(const TdxDockItem* first, const TdxDockItem* second, Qt::Orientation orientation) override
            {
                FHost->MainWindow()->splitDockWidget(Dock(first), Dock(second), orientation);
            }
            void Tabify(const TdxDockItem* first, const TdxDockItem* other) override
            {
                FHost->MainWindow()->tabifyDockWidget(Dock(first), Dock(other));
            }
            void ShowInFront(const TdxDockItem* panel, bool front) override { Panel(panel)->SetShownInLayout(front); }
            void Raise(const TdxDockItem* panel) override { Dock(panel)->raise(); }
            void Sizes(std::vector<const TdxDockItem*> anchors, std::vector<int> sizes, Qt::Orientation orientation,
                       bool fillArea) override
            {
                std::vector<QDockWidget*> docks;
                for (const TdxDockItem* anchor : anchors)
                    docks.push_back(Dock(anchor));
                FHost->AddPendingSizes(std::move(docks), std::move(sizes), orientation, fillArea);
            }

        private:
            TdxDockHost* FHost;
            const std::map<const TdxDockItem*, TdxDockPanel*>& FPanels;
        } area(FHost, panels);
        MainWindow()->addDockWidget(Qt::RightDockWidgetArea, area.Dock(DockAnchor(root)));
        PlaceDockTree(root, area);
    }
    for (const TdxDockItem* item : autoHidden)
        panels.at(item)->StartAutoHidden();
    for (TdxDockPanel* panel : FHost->Panels())
        panel->StartClosedIfDesigned();
    ApplyManager();
    FHost->ApplyPendingSizes();
}

QMainWindow* TdxDockSite::MainWindow() const { return FHost ? FHost->MainWindow() : nullptr; }
QWidget* TdxDockSite::AutoHideBar(TdxAutoHidePosition position) const { return FHost ? FHost->Bar(position) : nullptr; }
TdxDockPanel* TdxDockSite::ShowingPanel() const { return FHost ? FHost->Showing() : nullptr; }
int TdxDockSite::AnimationTime() { return TdxDockHost::FAnimationTime; }
void TdxDockSite::SetAnimationTime(int milliseconds) { TdxDockHost::FAnimationTime = std::max(0, milliseconds); }
int TdxDockSite::Width() const { return Widget() ? Widget()->width() : DesignWidth(); }
int TdxDockSite::Height() const { return Widget() ? Widget()->height() : DesignHeight(); }
void TdxDockSite::ApplyManager()
{
    if (FHost)
        FHost->ApplyLook();
}

// ---- TdxDockPanel ----

TdxDockPanel::TdxDockPanel(TComponent* AOwner) : TdxDockControl(AOwner, new QWidget) {}

TdxDockPanel::~TdxDockPanel()
{
    Detach();
}

void TdxDockPanel::Attach(TdxDockHost* host)
{
    if (FHost)
        return;
    FHost = host;
    FAttached = true;
    host->AddPanel(this);
    auto* dock = new QDockWidget(host->MainWindow());
    FDockWidget = dock;
    dock->setObjectName(Q(Name()));
    dock->setWindowTitle(Q(Caption()));
    auto features = QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetClosable;
    if (AllowFloating())
        features |= QDockWidget::DockWidgetFloatable;
    dock->setFeatures(features);
    FCaptionBar = new TdxCaptionBar(this, TdxCaptionBar::Kind::Dock, dock);
    dock->setTitleBarWidget(FCaptionBar);
    dock->setWidget(Widget());
    if (Widget())
        Widget()->show();
    QObject::connect(dock, &QDockWidget::visibilityChanged, dock, [this](bool visible) {
        if (FHost && FHost->MainWindow()->isVisible())
            FShownInLayout = visible;
    });
    QObject::connect(dock, &QDockWidget::topLevelChanged, dock, [this](bool floating) {
        if (!FHost)
            return;
        for (TdxDockPanel* panel : FHost->Panels())
            panel->UpdateCaption();
        if (!floating && DockOptions(this).Contains(TdxDockingOption::doActivateAfterDocking))
            FocusContent(Widget());
    });
    QObject::connect(dock, &QDockWidget::dockLocationChanged, dock, [this] {
        if (!FHost)
            return;
        for (TdxDockPanel* panel : FHost->Panels())
            panel->UpdateCaption();
    });
    UpdateCaption();
}

void TdxDockPanel::StartAutoHidden()
{
    if (FAutoHidePosition == TdxAutoHidePosition::ahpUndefined) {
        switch (DockType()) {
        case TdxDockingType::dtTop: FAutoHidePosition = TdxAutoHidePosition::ahpTop; break;
        case TdxDockingType::dtRight: FAutoHidePosition = TdxAutoHidePosition::ahpRight; break;
        case TdxDockingType::dtBottom: FAutoHidePosition = TdxAutoHidePosition::ahpBottom; break;
        default: FAutoHidePosition = TdxAutoHidePosition::ahpLeft; break;
        }
    }
    FClosed = false;
    FHost->Collapse(this);
}

void TdxDockPanel::StartClosedIfDesigned()
{
    if (FAutoHide || !FClosed)
        return;
    FClosed = false;
    FDockWidget->hide();
}

void TdxDockPanel::Detach()
{
    if (FHost)
        FHost->RemovePanel(this);
    FHost = nullptr;
    FAttached = false;
    delete FDockWidget.data();
}

void TdxDockPanel::SetCaption(const std::string& value)
{
    TdxDockControl::SetCaption(value);
    UpdateCaption();
}

void TdxDockPanel::SetHint(const std::string& value)
{
    FHint = value;
    UpdateCaption();
}

void TdxDockPanel::SetImageIndex(int value)
{
    TdxDockControl::SetImageIndex(value);
    UpdateCaption();
}

void TdxDockPanel::SetAllowFloating(bool value)
{
    TdxDockControl::SetAllowFloating(value);
    if (FDockWidget) {
        FDockWidget->setFeatures(value ? FDockWidget->features() | QDockWidget::DockWidgetFloatable
                                       : FDockWidget->features() & ~QDockWidget::DockWidgetFloatable);
    }
    UpdateCaption();
}

void TdxDockPanel::UpdateCaption()
{
    if (FDockWidget) {
        FDockWidget->setWindowTitle(Q(Caption()));
        FDockWidget->setWindowIcon(DockImage(Manager(), ImageIndex()));
    }
    if (FCaptionBar)
        FCaptionBar->Update();
    if (FHost) {
        if (QWidget* frame = FHost->SlideFrame(this))
            if (auto* bar = frame->findChild<TdxCaptionBar*>())
                bar->Update();
        if (QWidget* tab = FHost->Tab(this)) {
            tab->setToolTip(Q(FHint.empty() ? Caption() : FHint));
            tab->updateGeometry();
            tab->update();
        }
        FHost->QueueRefreshTabs();
    }
}

void TdxDockPanel::ApplyManager() { UpdateCaption(); }

void TdxDockPanel::SetAutoHide(bool value)
{
    if (value == FAutoHide)
        return;
    if (!FHost) {
        FAutoHide = value;
        return;
    }
    if (value) {
        if (Floating())
            FDockWidget->setFloating(false);
        // The panel slides out as wide (or high) as it was docked.
        if (FDockWidget->width() > 0 && FDockWidget->isVisible()) {
            SetWidth(FDockWidget->width());
            SetHeight(FDockWidget->height());
        }
        FAutoHidePosition = FHost->NearestSide(this);
        FAutoHide = true;
        FClosed = false;
        FHost->Collapse(this);
    } else {
        FAutoHide = false;
        FClosed = false;
        FHost->DockBack(this);
    }
    for (TdxDockPanel* panel : FHost->Panels())
        panel->UpdateCaption();
}

bool TdxDockPanel::Visible() const
{
    if (FAttached && !FHost)
        return false;  // its host is gone
    if (!FHost)
        return !FAutoHide && !FClosed;
    if (FAutoHide)
        return !FClosed && SlidOut();
    return FDockWidget && !FDockWidget->isHidden();
}

void TdxDockPanel::SetVisible(bool value)
{
    if (!FHost) {
        FClosed = !value;
        return;
    }
    if (FAutoHide) {
        FClosed = !value;
        FHost->HideTab(this, !value);
        if (value)
            FHost->SlideOut(this);
        else if (SlidOut())
            FHost->SlideIn();
        return;
    }
    if (!FDockWidget)
        return;
    if (value)
        FDockWidget->show();
    else
        FDockWidget->close();
}

bool TdxDockPanel::Floating() const { return FDockWidget && !FAutoHide && FDockWidget->isFloating(); }

void TdxDockPanel::SetFloating(bool value)
{
    if (!FDockWidget || value == Floating())
        return;
    if (value && !AllowFloating())
        return;
    if (value && FAutoHide)
        SetAutoHide(false);
    FDockWidget->setFloating(value);
    if (value && FDockWidget->isHidden())
        FDockWidget->show();
}

bool TdxDockPanel::InFront() const
{
    if (!FHost || FAutoHide || !FDockWidget || FDockWidget->isHidden() || FDockWidget->isFloating())
        return false;
    return TabbedWith().empty() || FShownInLayout;
}

std::vector<TdxDockPanel*> TdxDockPanel::TabbedWith() const
{
    std::vector<TdxDockPanel*> result;
    if (!FHost || !FDockWidget || FAutoHide || FDockWidget->isFloating())
        return result;
    const auto docks = FHost->MainWindow()->tabifiedDockWidgets(FDockWidget);
    for (QDockWidget* dock : docks)
        for (TdxDockPanel* panel : FHost->Panels())
            if (panel->DockWidget() == dock && !dock->isHidden() && !dock->isFloating())
                result.push_back(panel);
    return result;
}

void TdxDockPanel::ShowAutoHidden()
{
    if (FHost && FAutoHide && !FClosed)
        FHost->SlideOut(this);
}

void TdxDockPanel::HideAutoHidden()
{
    if (FHost && SlidOut())
        FHost->SlideIn();
}

bool TdxDockPanel::SlidOut() const { return FHost && FHost->Showing() == this; }

QDockWidget* TdxDockPanel::DockWidget() const { return FDockWidget; }

QWidget* TdxDockPanel::AutoHideTab() const { return FHost ? FHost->Tab(const_cast<TdxDockPanel*>(this)) : nullptr; }

QWidget* TdxDockPanel::CaptionBar() const
{
    if (FHost && FAutoHide)
        if (QWidget* frame = FHost->SlideFrame(const_cast<TdxDockPanel*>(this)))
            return frame->findChild<TdxCaptionBar*>();
    return FCaptionBar;
}

int TdxDockPanel::Width() const
{
    if (FHost && !FAutoHide && FDockWidget)
        return FDockWidget->width();
    return DesignWidth();
}

int TdxDockPanel::Height() const
{
    if (FHost && !FAutoHide && FDockWidget)
        return FDockWidget->height();
    return DesignHeight();
}
