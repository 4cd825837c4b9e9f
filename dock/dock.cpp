#include "dock/dock.h"

#include <QApplication>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>

#include "dock/host.h"
#include "forms/alignlayout.h"
#include "forms/application.h"
#include "forms/comctrls.h"
#include "forms/exception.h"

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

TdxDockingOptions DefaultOptions()
{
    return {TdxDockingOption::doActivateAfterDocking,     TdxDockingOption::doDblClickDocking,
            TdxDockingOption::doFloatingOnTop,            TdxDockingOption::doTabContainerHasCaption,
            TdxDockingOption::doTabContainerCanAutoHide,  TdxDockingOption::doSideContainerCanClose,
            TdxDockingOption::doSideContainerCanAutoHide, TdxDockingOption::doTabContainerCanInSideContainer};
}

TdxDockingOptions OptionsOf(const TdxDockControl* control)
{
    const TdxDockingManager* manager = control->Manager();
    return manager ? manager->Options() : DefaultOptions();
}

QColor Resolve(TColor color, QPalette::ColorRole systemRole)
{
    if (IsSystemColor(color)) {
        if (color == clWindowText)
            return QApplication::palette().color(QPalette::WindowText);
        return QApplication::palette().color(systemRole);
    }
    return ToQColor(color);
}

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

void DockDispatch(const std::function<void()>& handler)
{
    if (Application)
        Application->Dispatch(handler);
    else
        handler();
}

// ---- look ----

QFont DockFont(const TdxDockingManager* manager)
{
    QFont font(Q(manager ? manager->FontName() : std::string("Tahoma")));
    font.setPixelSize(manager ? manager->FontHeight() : 11);
    return font;
}

QIcon DockImage(const TdxDockingManager* manager, int index)
{
    if (!manager || !manager->Images() || index < 0)
        return {};
    return manager->Images()->Image(index);
}

void ApplyDockLook(QWidget* widget, const TdxDockingManager* manager)
{
    const QColor back = Resolve(manager ? manager->Color() : clBtnFace, QPalette::Button);
    const QColor text = Resolve(manager ? manager->FontColor() : clBlack, QPalette::WindowText);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::Button, back);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    widget->setPalette(palette);
    widget->setFont(DockFont(manager));
    widget->setAutoFillBackground(true);
}

QIcon DockGlyph(TdxGlyph glyph, const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, glyph == TdxGlyph::Close);
    p.setPen(QPen(color, glyph == TdxGlyph::Close ? 1.6 : 1.0));
    switch (glyph) {
    case TdxGlyph::Pin:  // standing pin: docked, a click auto-hides
        p.drawRect(5, 2, 5, 6);
        p.drawLine(8, 3, 8, 7);
        p.drawLine(3, 9, 12, 9);
        p.drawLine(7, 10, 7, 14);
        break;
    case TdxGlyph::Unpin:  // lying pin: auto-hidden, a click docks
        p.drawRect(2, 5, 6, 5);
        p.drawLine(3, 8, 7, 8);
        p.drawLine(9, 3, 9, 12);
        p.drawLine(10, 7, 14, 7);
        break;
    case TdxGlyph::Float:
        p.drawRect(3, 4, 10, 8);
        p.drawLine(3, 5, 13, 5);
        break;
    case TdxGlyph::Dock:
        p.drawRect(2, 6, 8, 7);
        p.drawLine(5, 3, 13, 3);
        p.drawLine(13, 3, 13, 10);
        p.drawLine(10, 10, 13, 10);
        p.drawLine(5, 3, 5, 6);
        break;
    case TdxGlyph::Close:
        p.drawLine(QPointF(4.5, 4.5), QPointF(11.5, 11.5));
        p.drawLine(QPointF(11.5, 4.5), QPointF(4.5, 11.5));
        break;
    }
    return QIcon(pixmap);
}

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

// Which member of a tab group is in front is known from the dock widgets'
// visibility reports once the window is on the screen, and from the arrangement before.
void TdxSetShownInLayout(TdxDockPanel* panel, bool value) { panel->FShownInLayout = value; }

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
        TdxSetShownInLayout(panel, true);
        for (TdxDockPanel* other : panel->TabbedWith())
            TdxSetShownInLayout(other, false);
    }
}

// ---- TdxDockSite: arranging the tree ----

namespace {

// The tree reduced to what Qt's docking area knows: splits, tab groups and panels.
struct TdxNode {
    enum Kind { Leaf, Split, Tabs } kind = Leaf;
    Qt::Orientation orientation = Qt::Vertical;
    std::vector<TdxNode> kids;
    std::vector<TdxDockPanel*> panels;
    std::size_t active = 0;
    int width = 0;
    int height = 0;
};

QDockWidget* Anchor(const TdxNode& node)
{
    return node.kind == TdxNode::Split ? Anchor(node.kids.front()) : node.panels.front()->DockWidget();
}

bool IsSide(TdxDockingType t)
{
    return t == TdxDockingType::dtLeft || t == TdxDockingType::dtTop || t == TdxDockingType::dtRight ||
           t == TdxDockingType::dtBottom;
}

// Places one member on a side of the rest of its site.
TdxNode Wrap(TdxNode side, TdxNode rest, TdxDockingType type)
{
    TdxNode node;
    node.kind = TdxNode::Split;
    const bool vertical = type == TdxDockingType::dtTop || type == TdxDockingType::dtBottom;
    node.orientation = vertical ? Qt::Vertical : Qt::Horizontal;
    const bool first = type == TdxDockingType::dtTop || type == TdxDockingType::dtLeft;
    TdxNode& a = first ? side : rest;
    TdxNode& b = first ? rest : side;
    for (TdxNode* part : {&a, &b}) {
        // The rest of a site has no size of its own: its members join this split.
        if (part == &rest && part->kind == TdxNode::Split && part->orientation == node.orientation)
            for (TdxNode& kid : part->kids)
                node.kids.push_back(std::move(kid));
        else
            node.kids.push_back(std::move(*part));
    }
    return node;
}

bool Fold(TdxDockControl* control, TdxNode& out, std::vector<TdxDockPanel*>& autoHidden)
{
    out.width = control->DesignWidth();
    out.height = control->DesignHeight();
    if (auto* panel = dynamic_cast<TdxDockPanel*>(control)) {
        if (panel->AutoHide()) {
            autoHidden.push_back(panel);
            return false;
        }
        out.kind = TdxNode::Leaf;
        out.panels = {panel};
        return true;
    }
    const auto members = control->DockChildren();
    if (auto* tabs = dynamic_cast<TdxTabContainerDockSite*>(control)) {
        out.kind = TdxNode::Tabs;
        const int active = tabs->ActiveChildIndex();
        for (std::size_t i = 0; i < members.size(); ++i) {
            auto* panel = dynamic_cast<TdxDockPanel*>(members[i]);
            if (!panel)
                throw Exception(Format("%s: a tab container holds dock panels only", control->Name().c_str()));
            if (panel->AutoHide()) {
                autoHidden.push_back(panel);
                continue;
            }
            if (static_cast<int>(i) == active)
                out.active = out.panels.size();
            out.panels.push_back(panel);
        }
        return !out.panels.empty();
    }
    if (dynamic_cast<TdxVertContainerDockSite*>(control)) {
        out.kind = TdxNode::Split;
        out.orientation = Qt::Vertical;
        for (TdxDockControl* member : members) {
            TdxNode kid;
            if (Fold(member, kid, autoHidden))
                out.kids.push_back(std::move(kid));
        }
    } else {
        // A layout site (or the host): side members around the client member.
        std::vector<std::pair<TdxDockingType, TdxNode>> sides;
        std::vector<TdxNode> clients;
        for (TdxDockControl* member : members) {
            TdxNode kid;
            if (!Fold(member, kid, autoHidden))
                continue;
            if (IsSide(member->DockType()))
                sides.emplace_back(member->DockType(), std::move(kid));
            else
                clients.push_back(std::move(kid));
        }
        TdxNode rest;
        bool haveRest = true;
        if (clients.size() == 1) {
            rest = std::move(clients.front());
        } else if (clients.size() > 1) {
            // Several client members share the client area, top to bottom.
            rest.kind = TdxNode::Split;
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
        if (rest.kind != TdxNode::Split) {
            out = std::move(rest);
            return true;
        }
        out.kind = TdxNode::Split;
        out.orientation = rest.orientation;
        out.kids = std::move(rest.kids);
    }
    if (out.kids.empty())
        return false;
    if (out.kids.size() == 1) {
        const int w = out.width, h = out.height;
        TdxNode only = std::move(out.kids.front());
        out = std::move(only);
        if (!out.width)
            out.width = w;
        if (!out.height)
            out.height = h;
    }
    return true;
}

void Place(TdxDockHost* host, const TdxNode& node, bool root)
{
    QMainWindow* window = host->MainWindow();
    if (node.kind == TdxNode::Tabs) {
        QDockWidget* first = node.panels.front()->DockWidget();
        for (std::size_t i = 1; i < node.panels.size(); ++i)
            window->tabifyDockWidget(first, node.panels[i]->DockWidget());
        for (std::size_t i = 0; i < node.panels.size(); ++i)
            TdxSetShownInLayout(node.panels[i], i == node.active);
        node.panels[node.active]->DockWidget()->raise();
        return;
    }
    if (node.kind == TdxNode::Leaf) {
        TdxSetShownInLayout(node.panels.front(), true);
        return;
    }
    for (std::size_t i = 1; i < node.kids.size(); ++i)
        window->splitDockWidget(Anchor(node.kids[i - 1]), Anchor(node.kids[i]), node.orientation);
    std::vector<QDockWidget*> anchors;
    std::vector<int> sizes;
    for (const TdxNode& kid : node.kids) {
        Place(host, kid, false);
        anchors.push_back(Anchor(kid));
        sizes.push_back(node.orientation == Qt::Vertical ? kid.height : kid.width);
    }
    host->AddPendingSizes(std::move(anchors), std::move(sizes), node.orientation, root);
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
    TdxNode root;
    std::vector<TdxDockPanel*> autoHidden;
    const bool any = Fold(this, root, autoHidden);
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
        MainWindow()->addDockWidget(Qt::RightDockWidgetArea, Anchor(root));
        Place(FHost, root, true);
    }
    for (TdxDockPanel* panel : autoHidden) {
        if (panel->AutoHidePosition() == TdxAutoHidePosition::ahpUndefined) {
            switch (panel->DockType()) {
            case TdxDockingType::dtTop: panel->SetAutoHidePosition(TdxAutoHidePosition::ahpTop); break;
            case TdxDockingType::dtRight: panel->SetAutoHidePosition(TdxAutoHidePosition::ahpRight); break;
            case TdxDockingType::dtBottom: panel->SetAutoHidePosition(TdxAutoHidePosition::ahpBottom); break;
            default: panel->SetAutoHidePosition(TdxAutoHidePosition::ahpLeft); break;
            }
        }
        // Auto-hidden is what "not visible" means for it at start: it keeps its tab.
        panel->FClosed = false;
        FHost->Collapse(panel);
    }
    // Panels designed invisible start closed, in their place.
    for (TdxDockPanel* panel : FHost->Panels())
        if (!panel->AutoHide() && panel->FClosed) {
            panel->FClosed = false;
            panel->DockWidget()->hide();
        }
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

// ---- TdxCaptionBar ----

TdxCaptionBar::TdxCaptionBar(TdxDockPanel* panel, Kind kind, QWidget* parent)
    : QWidget(parent), FPanel(panel), FKind(kind)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 2, 2);
    layout->setSpacing(3);
    FIcon = new QLabel(this);
    FIcon->setFixedSize(16, 16);
    FText = new QLabel(this);
    FText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(FIcon);
    layout->addWidget(FText, 1);
    auto button = [this, layout](const char* hint) {
        auto* b = new QToolButton(this);
        b->setAutoRaise(true);
        b->setFixedSize(16, 16);
        b->setIconSize(QSize(16, 16));
        b->setFocusPolicy(Qt::NoFocus);
        b->setToolTip(QString::fromUtf8(hint));
        layout->addWidget(b);
        return b;
    };
    FPin = button("自動隱藏");
    FFloat = button("浮動");
    FClose = button("關閉");
    connect(FPin, &QToolButton::clicked, this, [this] { DockDispatch([this] { FPanel->SetAutoHide(!FPanel->AutoHide()); }); });
    connect(FFloat, &QToolButton::clicked, this, [this] { DockDispatch([this] { FPanel->SetFloating(!FPanel->Floating()); }); });
    connect(FClose, &QToolButton::clicked, this, [this] { DockDispatch([this] { FPanel->SetVisible(false); }); });
    Update();
}

QSize TdxCaptionBar::sizeHint() const { return {QWidget::sizeHint().width(), std::max(20, fontMetrics().height() + 6)}; }
QSize TdxCaptionBar::minimumSizeHint() const { return {60, sizeHint().height()}; }

void TdxCaptionBar::Update()
{
    const TdxDockingManager* manager = FPanel->Manager();
    ApplyDockLook(this, manager);
    const QIcon icon = DockImage(manager, FPanel->ImageIndex());
    FIcon->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(16, 16));
    FIcon->setVisible(!icon.isNull());
    FText->setText(Q(FPanel->Caption()));
    const QColor glyphColor = palette().color(QPalette::WindowText);
    const TdxDockingOptions options = OptionsOf(FPanel);
    if (FKind == Kind::Slide) {
        FPin->setIcon(DockGlyph(TdxGlyph::Unpin, glyphColor));
        FPin->setVisible(true);
        FFloat->setVisible(false);
        FClose->setVisible(true);
    } else if (FPanel->Floating()) {
        FPin->setVisible(false);
        FFloat->setIcon(DockGlyph(TdxGlyph::Dock, glyphColor));
        FFloat->setVisible(true);
        FClose->setVisible(true);
    } else {
        const bool tabbed = !FPanel->TabbedWith().empty();
        FPin->setIcon(DockGlyph(TdxGlyph::Pin, glyphColor));
        FPin->setVisible(options.Contains(tabbed ? TdxDockingOption::doTabContainerCanAutoHide
                                                 : TdxDockingOption::doSideContainerCanAutoHide));
        FFloat->setIcon(DockGlyph(TdxGlyph::Float, glyphColor));
        FFloat->setVisible(FPanel->AllowFloating());
        FClose->setVisible(tabbed || options.Contains(TdxDockingOption::doSideContainerCanClose));
    }
    FClose->setIcon(DockGlyph(TdxGlyph::Close, glyphColor));
}

void TdxCaptionBar::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
    if (FKind != Kind::Dock || event->button() != Qt::LeftButton)
        return;
    if (!OptionsOf(FPanel).Contains(TdxDockingOption::doDblClickDocking))
        return;
    if (FPanel->Floating() || FPanel->AllowFloating())
        DockDispatch([this] { FPanel->SetFloating(!FPanel->Floating()); });
}

void TdxCaptionBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    p.setPen(palette().color(QPalette::Window).darker(130));
    p.drawLine(0, height() - 1, width() - 1, height() - 1);
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
        if (!floating && OptionsOf(this).Contains(TdxDockingOption::doActivateAfterDocking))
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

void TdxDockPanel::Detach()
{
    if (FHost)
        FHost->RemovePanel(this);
    FHost = nullptr;
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
    if (FOrphaned)
        return false;
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
