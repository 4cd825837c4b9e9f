#include "dock/host.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDockWidget>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <algorithm>

#include "dock/look.h"

int TdxDockHost::FAnimationTime = 150;

namespace {

constexpr int kBarThickness = 24;

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

int Side(TdxAutoHidePosition position)
{
    const int i = static_cast<int>(position);
    return i >= 0 && i < 4 ? i : 0;
}

bool Vertical(TdxAutoHidePosition position)
{
    return position == TdxAutoHidePosition::ahpLeft || position == TdxAutoHidePosition::ahpRight;
}

// The size a slid-out panel takes across its side.
int SlideExtent(const TdxDockPanel* panel, bool vertical)
{
    int extent = vertical ? panel->DesignWidth() : panel->DesignHeight();
    if (extent <= 0)
        extent = vertical ? panel->OriginalWidth() : panel->OriginalHeight();
    return extent > 0 ? extent : 200;
}

}  // namespace

// ---- TdxDockHost ----

TdxDockHost::TdxDockHost(TdxDockSite* site) : QObject(site->Widget()), FSite(site), FFrame(site->Widget())
{
    FMainWindow = new QMainWindow(FFrame);
    FMainWindow->setWindowFlags(Qt::Widget);  // a child of the host, not a window of its own
    FMainWindow->setObjectName("dockArea");
    FMainWindow->setDockNestingEnabled(true);
    FMainWindow->setDockOptions(QMainWindow::AllowNestedDocks | QMainWindow::AllowTabbedDocks |
                                QMainWindow::AnimatedDocks);
    FMainWindow->setCorner(Qt::TopLeftCorner, Qt::LeftDockWidgetArea);
    FMainWindow->setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    FMainWindow->setCorner(Qt::TopRightCorner, Qt::RightDockWidgetArea);
    FMainWindow->setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);

    FGrid = new QGridLayout(FFrame);
    FGrid->setContentsMargins(0, 0, 0, 0);
    FGrid->setSpacing(0);
    FGrid->addWidget(FMainWindow, 1, 1);
    static const int cells[4][2] = {{1, 0}, {0, 1}, {1, 2}, {2, 1}};  // left, top, right, bottom
    for (int i = 0; i < 4; ++i) {
        auto* bar = new QWidget(FFrame);
        const bool vertical = i == 0 || i == 2;
        auto* layout = new QBoxLayout(vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, bar);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->setSpacing(2);
        layout->addStretch(1);
        if (vertical)
            bar->setFixedWidth(kBarThickness);
        else
            bar->setFixedHeight(kBarThickness);
        bar->hide();
        FGrid->addWidget(bar, cells[i][0], cells[i][1]);
        FBars[i] = bar;
        FBarLayouts[i] = layout;
    }

    FAnimation = new QVariantAnimation(this);
    FAnimation->setStartValue(0.0);
    FAnimation->setEndValue(1.0);
    connect(FAnimation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (const Slide* s = Find(FAnimated))
            Place(*s, value.toDouble());
    });
    connect(FAnimation, &QVariantAnimation::finished, this, [this] {
        if (FHiding && FAnimated != FShowing)
            if (Slide* s = Find(FAnimated))
                s->clip->hide();
        FHiding = false;
    });

    FFrame->installEventFilter(this);
    FMainWindow->installEventFilter(this);
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { FocusChanged(now); });
}

TdxDockHost::~TdxDockHost()
{
    // The panels see their host gone through their guarded pointers to it.
    FAnimation->stop();
}

QWidget* TdxDockHost::Bar(TdxAutoHidePosition position) const { return FBars[Side(position)]; }

void TdxDockHost::AddPanel(TdxDockPanel* panel)
{
    if (std::find(FPanels.begin(), FPanels.end(), panel) == FPanels.end())
        FPanels.push_back(panel);
}

void TdxDockHost::RemovePanel(TdxDockPanel* panel)
{
    if (FShowing == panel)
        FShowing = nullptr;
    if (FAnimated == panel) {
        FAnimation->stop();
        FAnimated = nullptr;
    }
    for (auto it = FSlides.begin(); it != FSlides.end(); ++it)
        if (it->panel == panel) {
            delete it->tab;
            delete it->clip;
            FSlides.erase(it);
            break;
        }
    std::erase(FPanels, panel);
    UpdateBars();
}

TdxDockHost::Slide* TdxDockHost::Find(TdxDockPanel* panel)
{
    for (Slide& s : FSlides)
        if (s.panel == panel)
            return &s;
    return nullptr;
}

const TdxDockHost::Slide* TdxDockHost::Find(TdxDockPanel* panel) const
{
    return const_cast<TdxDockHost*>(this)->Find(panel);
}

QWidget* TdxDockHost::SlideFrame(TdxDockPanel* panel) const
{
    const Slide* s = Find(panel);
    return s ? s->frame : nullptr;
}

QWidget* TdxDockHost::Tab(TdxDockPanel* panel) const
{
    const Slide* s = Find(panel);
    return s ? s->tab : nullptr;
}

void TdxDockHost::Collapse(TdxDockPanel* panel)
{
    if (Find(panel))
        return;
    QDockWidget* dock = panel->DockWidget();
    QWidget* body = panel->Widget();
    if (dock) {
        FMainWindow->removeDockWidget(dock);
        dock->setWidget(nullptr);
    }
    Slide s;
    s.panel = panel;
    s.clip = new QWidget(FFrame);
    s.clip->setObjectName("slideClip");
    s.clip->hide();
    s.frame = new QFrame(s.clip);
    s.frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    s.frame->setLineWidth(1);
    s.frame->setAutoFillBackground(true);
    s.frame->setFocusPolicy(Qt::ClickFocus);
    auto* layout = new QVBoxLayout(s.frame);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(new TdxCaptionBar(panel, TdxCaptionBar::Kind::Slide, s.frame));
    if (body) {
        body->setParent(s.frame);
        layout->addWidget(body, 1);
        body->show();
    }
    const TdxAutoHidePosition position = panel->AutoHidePosition();
    s.tab = new TdxAutoHideTab(panel, Vertical(position), FBars[Side(position)]);
    ApplyDockLook(s.tab, panel->Manager());
    QBoxLayout* bar = FBarLayouts[Side(position)];
    bar->insertWidget(bar->count() - 1, s.tab);
    connect(s.tab, &QAbstractButton::clicked, this, [this, panel] {
        DockDispatch([this, panel] {
            if (FShowing == panel)
                SlideIn();
            else
                SlideOut(panel);
        });
    });
    FSlides.push_back(s);
    UpdateBars();
}

void TdxDockHost::DockBack(TdxDockPanel* panel)
{
    Slide* s = Find(panel);
    if (!s)
        return;
    if (FShowing == panel)
        FShowing = nullptr;
    if (FAnimated == panel) {
        FAnimation->stop();
        FAnimated = nullptr;
    }
    QDockWidget* dock = panel->DockWidget();
    QWidget* body = panel->Widget();
    if (dock && body) {
        dock->setWidget(body);
        body->show();
    }
    delete s->tab;
    delete s->clip;
    std::erase_if(FSlides, [panel](const Slide& x) { return x.panel == panel; });
    UpdateBars();
    if (!dock)
        return;

    // Dock on the side the panel was hidden at, as wide (or high) as it slid out.
    const TdxAutoHidePosition position = panel->AutoHidePosition();
    switch (position) {
    case TdxAutoHidePosition::ahpTop: FMainWindow->addDockWidget(Qt::TopDockWidgetArea, dock); break;
    case TdxAutoHidePosition::ahpRight:
        FMainWindow->addDockWidget(Qt::RightDockWidgetArea, dock, Qt::Horizontal);
        break;
    case TdxAutoHidePosition::ahpBottom: FMainWindow->addDockWidget(Qt::BottomDockWidgetArea, dock); break;
    default: FMainWindow->addDockWidget(Qt::LeftDockWidgetArea, dock); break;
    }
    dock->show();
    const bool vertical = Vertical(position);
    QDockWidget* other = nullptr;
    for (TdxDockPanel* p : FPanels) {
        QDockWidget* d = p->DockWidget();
        if (d && d != dock && !p->AutoHide() && !d->isHidden() && !d->isFloating() &&
            FMainWindow->dockWidgetArea(d) != FMainWindow->dockWidgetArea(dock)) {
            other = d;
            break;
        }
    }
    if (other) {
        const int whole = vertical ? FMainWindow->width() : FMainWindow->height();
        const int extent = std::min(SlideExtent(panel, vertical), std::max(50, whole / 2));
        AddPendingSizes({dock, other}, {extent, 0}, vertical ? Qt::Horizontal : Qt::Vertical, true);
        QueueApply();
    }
}

void TdxDockHost::QueueRefreshTabs()
{
    if (FRefreshQueued)
        return;
    FRefreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        FRefreshQueued = false;
        RefreshTabs();
    });
}

void TdxDockHost::RefreshTabs()
{
    const TdxDockingManager* manager = FSite->Manager();
    const QFont font = DockFont(manager);
    for (QTabBar* bar : FMainWindow->findChildren<QTabBar*>(Qt::FindDirectChildrenOnly)) {
        if (bar->font() != font)
            bar->setFont(font);
        for (int i = 0; i < bar->count(); ++i) {
            // A tab's data is its dock widget; only compared, never followed.
            const quintptr id = bar->tabData(i).value<quintptr>();
            for (TdxDockPanel* panel : FPanels) {
                if (reinterpret_cast<quintptr>(panel->DockWidget()) != id)
                    continue;
                const QIcon icon = DockImage(manager, panel->ImageIndex());
                if (bar->tabIcon(i).cacheKey() != icon.cacheKey())
                    bar->setTabIcon(i, icon);
                const QString hint = Q(panel->Hint().empty() ? panel->Caption() : panel->Hint());
                if (bar->tabToolTip(i) != hint)
                    bar->setTabToolTip(i, hint);
            }
        }
    }
}

void TdxDockHost::QueueApply()
{
    if (FPending.empty() || FApplyQueued || !FMainWindow->isVisible())
        return;
    FApplyQueued = true;
    QTimer::singleShot(0, this, [this] {
        FApplyQueued = false;
        ApplyPendingSizes();
    });
}

void TdxDockHost::HideTab(TdxDockPanel* panel, bool hidden)
{
    if (Slide* s = Find(panel))
        s->tab->setHidden(hidden);
    UpdateBars();
}

QRect TdxDockHost::FinalRect(const Slide& s) const
{
    const QRect area = FMainWindow->geometry();
    const TdxAutoHidePosition position = s.panel->AutoHidePosition();
    const bool vertical = Vertical(position);
    const int extent = std::min(SlideExtent(s.panel, vertical), vertical ? area.width() : area.height());
    switch (position) {
    case TdxAutoHidePosition::ahpTop: return {area.left(), area.top(), area.width(), extent};
    case TdxAutoHidePosition::ahpRight: return {area.right() + 1 - extent, area.top(), extent, area.height()};
    case TdxAutoHidePosition::ahpBottom: return {area.left(), area.bottom() + 1 - extent, area.width(), extent};
    default: return {area.left(), area.top(), extent, area.height()};
    }
}

void TdxDockHost::Place(const Slide& s, double t)
{
    // The clip grows out of the side bar; the frame inside it keeps its full size,
    // so the panel slides rather than stretches.
    const QRect final = FinalRect(s);
    s.frame->setFixedSize(final.size());
    const int w = static_cast<int>(final.width() * t + 0.5);
    const int h = static_cast<int>(final.height() * t + 0.5);
    switch (s.panel->AutoHidePosition()) {
    case TdxAutoHidePosition::ahpTop:
        s.clip->setGeometry(final.left(), final.top(), final.width(), h);
        s.frame->move(0, h - final.height());
        break;
    case TdxAutoHidePosition::ahpRight:
        s.clip->setGeometry(final.right() + 1 - w, final.top(), w, final.height());
        s.frame->move(0, 0);
        break;
    case TdxAutoHidePosition::ahpBottom:
        s.clip->setGeometry(final.left(), final.bottom() + 1 - h, final.width(), h);
        s.frame->move(0, 0);
        break;
    default:
        s.clip->setGeometry(final.left(), final.top(), w, final.height());
        s.frame->move(w - final.width(), 0);
        break;
    }
}

void TdxDockHost::SlideOut(TdxDockPanel* panel)
{
    Slide* s = Find(panel);
    if (!s || FShowing == panel)
        return;
    FAnimation->stop();
    // Only one panel is out at a time.
    for (Slide& other : FSlides)
        if (other.panel != panel)
            other.clip->hide();
    FHiding = false;
    FShowing = panel;
    s->clip->show();
    s->clip->raise();
    if (FAnimationTime > 0) {
        Place(*s, 0.0);
        FAnimated = panel;
        FAnimation->setDirection(QAbstractAnimation::Forward);
        FAnimation->setDuration(FAnimationTime);
        FAnimation->start();
    } else {
        Place(*s, 1.0);
    }
    for (Slide& x : FSlides)
        x.tab->update();
    // The panel takes the focus, so that moving the focus elsewhere hides it again.
    QWidget* target = nullptr;
    for (QWidget* w : s->frame->findChildren<QWidget*>())
        if (w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
            target = w;
            break;
        }
    (target ? target : s->frame)->setFocus(Qt::OtherFocusReason);
}

void TdxDockHost::SlideIn()
{
    if (!FShowing)
        return;
    Slide* s = Find(FShowing);
    FShowing = nullptr;
    if (!s)
        return;
    if (QWidget* focus = QApplication::focusWidget(); focus && Inside(focus))
        focus->clearFocus();
    FAnimation->stop();
    if (FAnimationTime > 0 && s->clip->isVisible()) {
        // The panel slides back into its tab, then its clip is hidden.
        FAnimated = s->panel;
        FHiding = true;
        FAnimation->setDirection(QAbstractAnimation::Backward);
        FAnimation->setDuration(FAnimationTime);
        FAnimation->start();
    } else {
        s->clip->hide();
    }
    for (Slide& x : FSlides)
        x.tab->update();
}

void TdxDockHost::UpdateBars()
{
    for (int i = 0; i < 4; ++i) {
        bool any = false;
        for (const Slide& s : FSlides)
            if (Side(s.panel->AutoHidePosition()) == i && !s.tab->isHidden())
                any = true;
        FBars[i]->setVisible(any);
    }
}

bool TdxDockHost::Inside(QWidget* widget) const
{
    const Slide* s = Find(FShowing);
    return s && (widget == s->clip || s->clip->isAncestorOf(widget));
}

void TdxDockHost::FocusChanged(QWidget* now)
{
    if (!FShowing || !now || Inside(now))
        return;
    // A menu or other popup opened from the panel does not take it away.
    if (now->window()->windowType() == Qt::Popup)
        return;
    SlideIn();
}

bool TdxDockHost::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (FShowing && watched->isWidgetType()) {
            // A press anywhere but on the slid-out panel or its own tab hides the panel.
            // (Judged by where it happens, as an ignored press travels up to the parents.)
            auto* w = static_cast<QWidget*>(watched);
            const QPoint at = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const Slide* s = Find(FShowing);
            auto over = [&](QWidget* target) {
                return target && target->isVisible() && w->window() == target->window() &&
                       QRect(target->mapToGlobal(QPoint(0, 0)), target->size()).contains(at);
            };
            if (s && !over(s->clip) && !over(s->tab) && w->window()->windowType() != Qt::Popup)
                SlideIn();
        }
        break;
    case QEvent::Resize:
        if (watched == FFrame && FShowing && FAnimation->state() != QAbstractAnimation::Running)
            if (const Slide* s = Find(FShowing))
                Place(*s, 1.0);
        if (watched == FMainWindow)
            QueueApply();
        break;
    case QEvent::Show:
        // The area's layout is in place when it is shown: sizes go in before the first paint.
        if (watched == FMainWindow)
            ApplyPendingSizes();
        break;
    case QEvent::KeyPress:
        // Escape in a slid-out panel slides it back.
        if (FShowing && watched->isWidgetType() && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
            Inside(static_cast<QWidget*>(watched))) {
            SlideIn();
            return true;
        }
        break;
    case QEvent::ChildPolished:
    case QEvent::LayoutRequest:
        // Qt rebuilds the tabs of tab groups as panels come and go.
        if (watched == FMainWindow)
            QueueRefreshTabs();
        break;
    default:
        break;
    }
    return false;
}

void TdxDockHost::AddPendingSizes(std::vector<QDockWidget*> docks, std::vector<int> sizes,
                                  Qt::Orientation orientation, bool fillArea)
{
    PendingSizes p;
    for (QDockWidget* d : docks)
        p.docks.emplace_back(d);
    p.sizes = std::move(sizes);
    p.orientation = orientation;
    p.fillArea = fillArea;
    FPending.push_back(std::move(p));
}

void TdxDockHost::ApplyPendingSizes()
{
    // Sizes are given once the area is on the screen with its real size.
    if (!FMainWindow->isVisible() || FMainWindow->width() <= 0)
        return;
    const int separator = FMainWindow->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr,
                                                            FMainWindow);
    auto pending = std::move(FPending);
    FPending.clear();
    // Outer groups first: they were added after the groups nested in them.
    std::reverse(pending.begin(), pending.end());
    for (const PendingSizes& p : pending) {
        QList<QDockWidget*> docks;
        QList<int> sizes;
        for (std::size_t i = 0; i < p.docks.size(); ++i)
            if (p.docks[i]) {
                docks.append(p.docks[i]);
                sizes.append(p.sizes[i]);
            }
        if (docks.isEmpty())
            continue;
        // The members share what they have (all of the area for the outermost
        // group): one without a size, or else the last, takes what is left.
        int whole = 0;
        if (p.fillArea) {
            whole = (p.orientation == Qt::Vertical ? FMainWindow->height() : FMainWindow->width()) -
                    separator * static_cast<int>(docks.size() - 1);
        } else {
            for (QDockWidget* d : docks)
                whole += p.orientation == Qt::Vertical ? d->height() : d->width();
        }
        auto flexible = std::find(sizes.begin(), sizes.end(), 0);
        if (flexible == sizes.end())
            flexible = sizes.end() - 1;
        int fixed = 0;
        for (auto it = sizes.begin(); it != sizes.end(); ++it)
            if (it != flexible)
                fixed += *it;
        *flexible = std::max(1, whole - fixed);
        for (int& size : sizes)
            if (size <= 0)
                size = 1;
        FMainWindow->resizeDocks(docks, sizes, p.orientation);
    }
    // Into place now, not at the next layout pass (after a first paint).
    if (!pending.empty() && FMainWindow->layout())
        FMainWindow->layout()->activate();
}

void TdxDockHost::ApplyLook()
{
    const TdxDockingManager* manager = FSite->Manager();
    for (QWidget* bar : FBars)
        ApplyDockLook(bar, manager);
    for (Slide& s : FSlides) {
        ApplyDockLook(s.tab, manager);
        s.tab->updateGeometry();
    }
    for (TdxDockPanel* panel : FPanels)
        panel->ApplyManager();
    RefreshTabs();
}

TdxAutoHidePosition TdxDockHost::NearestSide(TdxDockPanel* panel) const
{
    QDockWidget* dock = panel->DockWidget();
    if (!dock)
        return TdxAutoHidePosition::ahpLeft;
    switch (FMainWindow->dockWidgetArea(dock)) {
    case Qt::LeftDockWidgetArea: return TdxAutoHidePosition::ahpLeft;
    case Qt::TopDockWidgetArea: return TdxAutoHidePosition::ahpTop;
    case Qt::BottomDockWidgetArea: return TdxAutoHidePosition::ahpBottom;
    default: break;
    }
    // In the main arrangement: the side of the area the panel touches, preferring
    // the long sides of a panel that spans the area.
    const QRect g = dock->geometry();
    const int left = g.left(), top = g.top();
    const int right = FMainWindow->width() - 1 - g.right(), bottom = FMainWindow->height() - 1 - g.bottom();
    const int slack = 2;
    if (left <= slack && right <= slack)
        return top <= bottom ? TdxAutoHidePosition::ahpTop : TdxAutoHidePosition::ahpBottom;
    if (top <= slack && bottom <= slack)
        return left <= right ? TdxAutoHidePosition::ahpLeft : TdxAutoHidePosition::ahpRight;
    const int nearest = std::min({left, top, right, bottom});
    if (nearest == left)
        return TdxAutoHidePosition::ahpLeft;
    if (nearest == right)
        return TdxAutoHidePosition::ahpRight;
    return nearest == top ? TdxAutoHidePosition::ahpTop : TdxAutoHidePosition::ahpBottom;
}
