// The dock arrangement of the player window, and what the user does with it:
// sliding the explorer out and back, pinning, closing, floating, rebuilding.

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStyle>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <map>
#include <memory>

#include "dock/host.h"
#include "dock/icons.h"
#include "dock/look.h"
#include "forms/alignlayout.h"
#include "forms/application.h"
#include "forms/comctrls.h"
#include "forms/exception.h"
#include "forms/forms.h"
#include "app/PlayerDockLayout.h"

namespace {

void Settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

// A wrapped widget, as the window's grids, memo and tree are.
class TContent : public TControl {
public:
    TContent(TComponent* owner, QWidget* widget) : TControl(owner, widget) {}
};

class DockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TdxDockSite::SetAnimationTime(0);
        Build();
    }

    void TearDown() override { TdxDockSite::SetAnimationTime(150); }

    void Build(TdxDockItem layout = PlayerDockLayout())
    {
        form.reset();
        form = std::make_unique<TComponent>(nullptr);
        images = new TImageList(form.get());
        FillDockIcons(images);
        PlayerDockingManager(form.get(), images);
        window = std::make_unique<QWidget>();
        window->resize(795, 509);
        host = BuildDockLayout(form.get(), window.get(), layout);
        // Content, as the window puts it into its panels.
        auto* tree = new TContent(form.get(), new QTreeWidget);
        AlignIn(Panel("dpnlExplorer")->Widget(), tree, TAlign::alClient);
        auto* grid = new TContent(form.get(), new QLineEdit);
        AlignIn(Panel("dpnlFileList")->Widget(), grid, TAlign::alClient);
        window->show();
        QApplication::setActiveWindow(window.get());
        Settle();
    }

    TdxDockPanel* Panel(const char* name) const
    {
        auto* panel = dynamic_cast<TdxDockPanel*>(form->FindComponent(name));
        EXPECT_NE(panel, nullptr) << name;
        return panel;
    }

    QToolButton* Button(TdxDockPanel* panel, QToolButton* (TdxCaptionBar::*which)() const) const
    {
        auto* bar = static_cast<TdxCaptionBar*>(panel->CaptionBar());
        return (bar->*which)();
    }

    QTabBar* LyricTabs() const
    {
        for (QTabBar* bar : host->MainWindow()->findChildren<QTabBar*>())
            if (bar->isVisible() && bar->count() == 2)
                return bar;
        return nullptr;
    }

    // What the user sees of each panel.
    std::map<std::string, std::string> Snapshot() const
    {
        std::map<std::string, std::string> shot;
        for (const char* name : {"dxDockPanel1", "dpnlFileList", "dpnlDynamicLyric", "dpnlLyric", "dpnlExplorer"}) {
            TdxDockPanel* p = Panel(name);
            QRect g = p->DockWidget()->geometry();
            std::string tabbed;
            for (TdxDockPanel* other : p->TabbedWith())
                tabbed += other->Name() + ",";
            shot[name] = std::to_string(p->Visible()) + std::to_string(p->Floating()) + std::to_string(p->InFront()) +
                         std::to_string(p->AutoHide()) + " " + std::to_string(g.x()) + "," + std::to_string(g.y()) +
                         " " + std::to_string(g.width()) + "x" + std::to_string(g.height()) + " " + tabbed;
        }
        return shot;
    }

    std::unique_ptr<TComponent> form;
    std::unique_ptr<QWidget> window;
    TImageList* images = nullptr;
    TdxDockSite* host = nullptr;
};

TEST_F(DockTest, StartShowsToolBarListAndLyricTabsWithTheExplorerCollapsedToItsTab)
{
    TdxDockPanel* toolBar = Panel("dxDockPanel1");
    TdxDockPanel* list = Panel("dpnlFileList");
    TdxDockPanel* dynamic = Panel("dpnlDynamicLyric");
    TdxDockPanel* lyric = Panel("dpnlLyric");
    TdxDockPanel* explorer = Panel("dpnlExplorer");

    EXPECT_TRUE(toolBar->Visible());
    EXPECT_TRUE(list->Visible());
    EXPECT_TRUE(dynamic->Visible());
    EXPECT_TRUE(lyric->Visible());
    EXPECT_FALSE(explorer->Visible());
    EXPECT_TRUE(explorer->AutoHide());

    // Tool bar on top (82 high), song list below it (261 high), the tabs fill the rest.
    const QRect t = toolBar->DockWidget()->geometry();
    const QRect l = list->DockWidget()->geometry();
    const QRect d = dynamic->DockWidget()->geometry();
    EXPECT_EQ(t.top(), 0);
    EXPECT_EQ(t.height(), 82);
    EXPECT_EQ(l.height(), 261);
    EXPECT_LT(t.bottom(), l.top());
    EXPECT_LT(l.bottom(), d.top());
    for (const QRect& r : {t, l, d}) {
        EXPECT_EQ(r.left(), 0);
        EXPECT_EQ(r.width(), 771);
    }
    // The explorer's tab takes a 24-pixel strip on the left; the area has the rest.
    EXPECT_EQ(host->MainWindow()->geometry(), QRect(24, 0, 771, 509));
    EXPECT_LE(d.bottom(), 509);

    // The two lyric panels are tabbed, "動態歌詞" in front.
    ASSERT_EQ(dynamic->TabbedWith(), std::vector<TdxDockPanel*>{lyric});
    EXPECT_TRUE(dynamic->InFront());
    EXPECT_FALSE(lyric->InFront());
    EXPECT_EQ(dynamic_cast<TdxTabContainerDockSite*>(form->FindComponent("dxTabContainerDockSite2"))->ActiveChildIndex(), 0);
    QTabBar* tabs = LyricTabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), QString::fromUtf8("動態歌詞"));
    EXPECT_EQ(tabs->tabText(1), QString::fromUtf8("歌詞原始檔"));
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_TRUE(list->TabbedWith().empty());
    EXPECT_TRUE(toolBar->TabbedWith().empty());

    // The explorer: hidden, its tab on the left bar with icon and caption.
    EXPECT_TRUE(explorer->DockWidget()->isHidden());
    QWidget* bar = host->AutoHideBar(TdxAutoHidePosition::ahpLeft);
    ASSERT_NE(explorer->AutoHideTab(), nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry(), QRect(0, 0, 24, 509));
    EXPECT_EQ(explorer->AutoHideTab()->parentWidget(), bar);
    EXPECT_TRUE(explorer->AutoHideTab()->isVisible());
    EXPECT_GT(explorer->AutoHideTab()->height(), explorer->AutoHideTab()->width());  // caption runs downwards
    // Nothing lies over the tab where the user clicks it.
    EXPECT_EQ(window->childAt(explorer->AutoHideTab()->mapTo(window.get(), QPoint(5, 5))), explorer->AutoHideTab());
    EXPECT_FALSE(host->AutoHideBar(TdxAutoHidePosition::ahpRight)->isVisible());
    EXPECT_EQ(host->ShowingPanel(), nullptr);
}

TEST_F(DockTest, CaptionsCarryTheManagersFontAndIcons)
{
    auto* caption = static_cast<TdxCaptionBar*>(Panel("dpnlDynamicLyric")->CaptionBar());
    EXPECT_EQ(caption->font().pixelSize(), 11);
    EXPECT_EQ(caption->font().family(), QString("Tahoma"));
    auto* icon = caption->findChild<QLabel*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->isHidden());  // image 1
    auto* toolBarIcon = static_cast<TdxCaptionBar*>(Panel("dxDockPanel1")->CaptionBar())->findChild<QLabel*>();
    EXPECT_TRUE(toolBarIcon->isHidden());  // no ImageIndex, no icon
    EXPECT_EQ(Panel("dpnlDynamicLyric")->DockWidget()->windowTitle(), QString::fromUtf8("動態歌詞"));
    // The lyric tabs: "動態歌詞" with its icon, "歌詞原始檔" without, in the manager's font.
    QTabBar* tabs = LyricTabs();
    ASSERT_NE(tabs, nullptr);
    EXPECT_FALSE(tabs->tabIcon(0).isNull());
    EXPECT_TRUE(tabs->tabIcon(1).isNull());
    EXPECT_EQ(tabs->font().pixelSize(), 11);

    // A changed caption shows at once; a changed manager colour reaches the captions.
    Panel("dpnlFileList")->SetCaption("3 首歌 / 12.5 MB");
    EXPECT_EQ(Panel("dpnlFileList")->DockWidget()->windowTitle(), QString::fromUtf8("3 首歌 / 12.5 MB"));
    TdxDockingManager::Find(form.get())->SetColor(0x0000FF);
    EXPECT_EQ(caption->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(DockTest, APanelsHintIsItsTabsToolTipAndItsCaptionWhileEmpty)
{
    QTabBar* tabs = LyricTabs();
    ASSERT_NE(tabs, nullptr);
    Panel("dpnlLyric")->SetHint("/music/song.lrc");
    Panel("dpnlExplorer")->SetHint("Folders");
    Settle();
    EXPECT_EQ(tabs->tabToolTip(1), QString("/music/song.lrc"));
    EXPECT_EQ(Panel("dpnlExplorer")->AutoHideTab()->toolTip(), QString("Folders"));
    Panel("dpnlLyric")->SetHint("");
    Settle();
    EXPECT_EQ(tabs->tabToolTip(1), QString::fromUtf8("歌詞原始檔"));
}

TEST_F(DockTest, ActivatingTheTabSlidesTheExplorerOutOverTheLayout)
{
    TdxDockPanel* explorer = Panel("dpnlExplorer");
    const QRect listBefore = Panel("dpnlFileList")->DockWidget()->geometry();

    QTest::mouseClick(explorer->AutoHideTab(), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(explorer->Visible());
    EXPECT_TRUE(explorer->SlidOut());
    EXPECT_EQ(host->ShowingPanel(), explorer);
    QWidget* frame = explorer->Widget()->parentWidget();
    EXPECT_TRUE(frame->isVisible());
    // Over the layout, 185 wide, from the edge of the side bar; nothing else moved.
    EXPECT_EQ(QRect(frame->mapTo(window.get(), QPoint(0, 0)), frame->size()), QRect(24, 0, 185, 509));
    EXPECT_EQ(Panel("dpnlFileList")->DockWidget()->geometry(), listBefore);
    EXPECT_EQ(window->childAt(100, 200)->window(), window.get());
    EXPECT_TRUE(frame->isAncestorOf(window->childAt(100, 200)));
    // The tree has the focus, and a click on the tab again slides the panel in.
    EXPECT_TRUE(frame->isAncestorOf(QApplication::focusWidget()));
    // It follows the window's height while out.
    window->resize(900, 600);
    Settle();
    EXPECT_EQ(frame->height(), 600);
    EXPECT_TRUE(explorer->Visible());
    QTest::mouseClick(explorer->AutoHideTab(), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(explorer->Visible());
    EXPECT_FALSE(frame->isVisible());

    // Escape in the panel slides it back as well.
    QTest::mouseClick(explorer->AutoHideTab(), Qt::LeftButton);
    EXPECT_TRUE(explorer->Visible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(explorer->Visible());
}

TEST_F(DockTest, TheSlidOutExplorerHidesWhenItLosesTheFocusOrOnAClickElsewhere)
{
    TdxDockPanel* explorer = Panel("dpnlExplorer");
    QWidget* grid = Panel("dpnlFileList")->Widget()->findChild<QLineEdit*>();
    ASSERT_NE(grid, nullptr);

    explorer->ShowAutoHidden();
    EXPECT_TRUE(explorer->Visible());
    // Clicks and focus inside the panel keep it out.
    QWidget* tree = explorer->Widget()->findChild<QTreeWidget*>();
    QTest::mouseClick(tree->focusProxy() ? tree->focusProxy() : tree, Qt::LeftButton);
    tree->setFocus();
    Settle();
    EXPECT_TRUE(explorer->Visible());

    // The focus moves to the song list: the panel hides.
    grid->setFocus();
    Settle();
    EXPECT_FALSE(explorer->Visible());
    EXPECT_TRUE(explorer->AutoHide());

    // Out again; a click on a part of the window that takes no focus hides it too.
    explorer->ShowAutoHidden();
    EXPECT_TRUE(explorer->Visible());
    QTest::mouseClick(Panel("dxDockPanel1")->Widget(), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(explorer->Visible());
}

TEST_F(DockTest, TheSlideIsAnimatedAndEndsFullyOutOrFullyIn)
{
    TdxDockSite::SetAnimationTime(60);
    TdxDockPanel* explorer = Panel("dpnlExplorer");
    explorer->ShowAutoHidden();
    QWidget* clip = explorer->Widget()->parentWidget()->parentWidget();
    EXPECT_LT(clip->width(), 185);  // starts from the side bar
    QElapsedTimer clock;
    clock.start();
    while (clip->width() < 185 && clock.elapsed() < 5000)
        QTest::qWait(10);
    EXPECT_EQ(clip->width(), 185);
    explorer->HideAutoHidden();
    EXPECT_FALSE(explorer->Visible());  // at once, while the panel slides back
    clock.restart();
    while (clip->isVisible() && clock.elapsed() < 5000)
        QTest::qWait(10);
    EXPECT_FALSE(clip->isVisible());
}

TEST_F(DockTest, ThePinDocksTheExplorerOnTheLeftAndHidesItAgain)
{
    TdxDockPanel* explorer = Panel("dpnlExplorer");
    explorer->ShowAutoHidden();
    QToolButton* pin = Button(explorer, &TdxCaptionBar::PinButton);
    ASSERT_TRUE(pin->isVisible());
    QTest::mouseClick(pin, Qt::LeftButton);
    Settle();

    EXPECT_FALSE(explorer->AutoHide());
    EXPECT_TRUE(explorer->Visible());
    EXPECT_EQ(explorer->AutoHideTab(), nullptr);
    EXPECT_FALSE(host->AutoHideBar(TdxAutoHidePosition::ahpLeft)->isVisible());
    EXPECT_EQ(host->MainWindow()->dockWidgetArea(explorer->DockWidget()), Qt::LeftDockWidgetArea);
    const QRect e = explorer->DockWidget()->geometry();
    EXPECT_EQ(e.left(), 0);
    EXPECT_EQ(e.width(), 185);
    EXPECT_GT(Panel("dpnlFileList")->DockWidget()->geometry().left(), e.right());
    // Its content came along.
    EXPECT_TRUE(explorer->DockWidget()->isAncestorOf(explorer->Widget()->findChild<QTreeWidget*>()));

    // Pinned again from its docked caption, it goes back to the left bar.
    QTest::mouseClick(Button(explorer, &TdxCaptionBar::PinButton), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(explorer->AutoHide());
    EXPECT_EQ(explorer->AutoHidePosition(), TdxAutoHidePosition::ahpLeft);
    EXPECT_FALSE(explorer->Visible());
    EXPECT_TRUE(host->AutoHideBar(TdxAutoHidePosition::ahpLeft)->isVisible());
    EXPECT_EQ(host->MainWindow()->geometry().left(), 24);
}

TEST_F(DockTest, APanelOfTheLayoutCanBeAutoHiddenAtTheSideItTouches)
{
    TdxDockPanel* list = Panel("dpnlFileList");
    QTest::mouseClick(Button(list, &TdxCaptionBar::PinButton), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(list->AutoHide());
    // It spans the width, nearer the top than the bottom.
    EXPECT_EQ(list->AutoHidePosition(), TdxAutoHidePosition::ahpTop);
    EXPECT_FALSE(list->Visible());
    EXPECT_TRUE(host->AutoHideBar(TdxAutoHidePosition::ahpTop)->isVisible());
    // The rest closes up: the tabs now follow the tool bar.
    const int separator = host->MainWindow()->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent);
    EXPECT_EQ(Panel("dpnlDynamicLyric")->DockWidget()->geometry().top(),
              Panel("dxDockPanel1")->DockWidget()->geometry().bottom() + 1 + separator);
    list->ShowAutoHidden();
    EXPECT_TRUE(list->Visible());
    QWidget* frame = list->Widget()->parentWidget();
    EXPECT_EQ(frame->width(), host->MainWindow()->width());
    EXPECT_EQ(frame->height(), 261);  // as high as it was docked
    // Below the new top bar, right of the explorer's bar.
    EXPECT_EQ(frame->mapTo(window.get(), QPoint(0, 0)), QPoint(24, 24));
    EXPECT_NE(list->Widget()->findChild<QLineEdit*>(), nullptr);
    EXPECT_FALSE(Panel("dpnlExplorer")->Visible());
}

TEST_F(DockTest, ClosingHidesAPanelUntilItIsShownAgain)
{
    TdxDockPanel* list = Panel("dpnlFileList");
    QTest::mouseClick(Button(list, &TdxCaptionBar::CloseButton), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(list->Visible());
    EXPECT_TRUE(Panel("dxDockPanel1")->Visible());
    EXPECT_TRUE(Panel("dpnlDynamicLyric")->InFront());
    list->SetVisible(true);
    Settle();
    EXPECT_TRUE(list->Visible());
    EXPECT_LT(Panel("dxDockPanel1")->DockWidget()->geometry().bottom(), list->DockWidget()->geometry().top());

    // Closing the tab in front brings the other one forward.
    QTest::mouseClick(Button(Panel("dpnlDynamicLyric"), &TdxCaptionBar::CloseButton), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(Panel("dpnlDynamicLyric")->Visible());
    EXPECT_TRUE(Panel("dpnlLyric")->InFront());

    // The explorer closed from its slid-out caption loses its tab as well.
    TdxDockPanel* explorer = Panel("dpnlExplorer");
    explorer->ShowAutoHidden();
    QTest::mouseClick(Button(explorer, &TdxCaptionBar::CloseButton), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(explorer->Visible());
    EXPECT_TRUE(explorer->AutoHideTab()->isHidden());
    EXPECT_FALSE(host->AutoHideBar(TdxAutoHidePosition::ahpLeft)->isVisible());
    explorer->ShowAutoHidden();  // a closed panel does not slide out
    EXPECT_FALSE(explorer->Visible());
    explorer->SetVisible(true);
    EXPECT_TRUE(explorer->Visible());
    EXPECT_TRUE(host->AutoHideBar(TdxAutoHidePosition::ahpLeft)->isVisible());
}

TEST_F(DockTest, FloatingAndDockingBackByButtonAndDoubleClick)
{
    TdxDockPanel* list = Panel("dpnlFileList");
    QTest::mouseClick(Button(list, &TdxCaptionBar::FloatButton), Qt::LeftButton);
    Settle();
    EXPECT_TRUE(list->Floating());
    EXPECT_TRUE(list->Visible());
    EXPECT_TRUE(list->DockWidget()->isWindow());
    EXPECT_FALSE(list->InFront());
    EXPECT_TRUE(Button(list, &TdxCaptionBar::CloseButton)->isVisible());
    EXPECT_FALSE(Button(list, &TdxCaptionBar::PinButton)->isVisible());
    // The content floats with it.
    EXPECT_EQ(list->Widget()->findChild<QLineEdit*>()->window(), list->DockWidget());

    QTest::mouseDClick(list->CaptionBar(), Qt::LeftButton);
    Settle();
    EXPECT_FALSE(list->Floating());
    EXPECT_FALSE(list->DockWidget()->isWindow());
    EXPECT_EQ(list->Widget()->findChild<QLineEdit*>()->window(), window.get());

    // A floated tab leaves the group: the container has no tab in front any more.
    auto* tabs = dynamic_cast<TdxTabContainerDockSite*>(form->FindComponent("dxTabContainerDockSite2"));
    Panel("dpnlLyric")->SetFloating(true);
    Settle();
    EXPECT_TRUE(Panel("dpnlDynamicLyric")->TabbedWith().empty());
    EXPECT_EQ(tabs->ActiveChildIndex(), -1);
    Panel("dpnlLyric")->SetFloating(false);
    Settle();
    EXPECT_FALSE(Panel("dpnlLyric")->Floating());
}

TEST_F(DockTest, DraggingTheCaptionTearsThePanelOut)
{
    TdxDockPanel* list = Panel("dpnlFileList");
    QWidget* caption = list->CaptionBar();
    const QPoint start(60, caption->height() / 2);  // on the caption text
    QTest::mousePress(caption, Qt::LeftButton, {}, start);
    for (int i = 1; i <= 10; ++i) {
        QTest::mouseMove(caption, start + QPoint(8 * i, 8 * i));
        QApplication::processEvents();
    }
    QTest::mouseRelease(caption, Qt::LeftButton, {}, start + QPoint(80, 80));
    Settle();
    EXPECT_TRUE(list->Floating());
    EXPECT_TRUE(list->Visible());
    EXPECT_GT(list->DockWidget()->y(), 80);  // moved with the pointer
}

TEST_F(DockTest, OptionsAndAllowFloatingLimitWhatTheCaptionOffers)
{
    TdxDockPanel* toolBar = Panel("dxDockPanel1");
    toolBar->SetAllowFloating(false);
    EXPECT_FALSE(Button(toolBar, &TdxCaptionBar::FloatButton)->isVisible());
    toolBar->SetFloating(true);
    QTest::mouseDClick(toolBar->CaptionBar(), Qt::LeftButton);
    EXPECT_FALSE(toolBar->Floating());

    TdxDockingManager* manager = TdxDockingManager::Find(form.get());
    TdxDockingOptions options = manager->Options();
    options.Exclude(TdxDockingOption::doDblClickDocking);
    options.Exclude(TdxDockingOption::doSideContainerCanClose);
    options.Exclude(TdxDockingOption::doTabContainerCanAutoHide);
    manager->SetOptions(options);
    TdxDockPanel* list = Panel("dpnlFileList");
    QTest::mouseDClick(list->CaptionBar(), Qt::LeftButton);
    EXPECT_FALSE(list->Floating());
    EXPECT_FALSE(Button(list, &TdxCaptionBar::CloseButton)->isVisible());
    EXPECT_TRUE(Button(list, &TdxCaptionBar::PinButton)->isVisible());
    EXPECT_FALSE(Button(Panel("dpnlDynamicLyric"), &TdxCaptionBar::PinButton)->isVisible());
    EXPECT_TRUE(Button(Panel("dpnlDynamicLyric"), &TdxCaptionBar::CloseButton)->isVisible());
}

TEST_F(DockTest, APanelDroppedOnTheTabsJoinsTheGroupAndItsCaptionFollows)
{
    TdxDockingManager* manager = TdxDockingManager::Find(form.get());
    TdxDockingOptions options = manager->Options();
    options.Exclude(TdxDockingOption::doSideContainerCanClose);
    manager->SetOptions(options);
    TdxDockPanel* list = Panel("dpnlFileList");
    EXPECT_FALSE(Button(list, &TdxCaptionBar::CloseButton)->isVisible());

    // What a drop of the song list onto the lyric tabs does.
    host->MainWindow()->tabifyDockWidget(Panel("dpnlDynamicLyric")->DockWidget(), list->DockWidget());
    Settle();
    EXPECT_EQ(list->TabbedWith().size(), 2u);
    EXPECT_TRUE(Button(list, &TdxCaptionBar::CloseButton)->isVisible());  // tabbed panels can always close
    EXPECT_TRUE(list->InFront() != Panel("dpnlDynamicLyric")->InFront());
    QTabBar* tabs = nullptr;
    for (QTabBar* bar : host->MainWindow()->findChildren<QTabBar*>())
        if (bar->isVisible() && bar->count() == 3)
            tabs = bar;
    ASSERT_NE(tabs, nullptr);
    EXPECT_FALSE(tabs->tabIcon(0).isNull());  // the new tab's icon is not lost on the others
}

TEST_F(DockTest, TheFrontTabFollowsTheUsersChoiceAndTheDescription)
{
    auto* container = dynamic_cast<TdxTabContainerDockSite*>(form->FindComponent("dxTabContainerDockSite2"));
    QTabBar* tabs = LyricTabs();
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(1);
    Settle();
    EXPECT_EQ(container->ActiveChildIndex(), 1);
    EXPECT_TRUE(Panel("dpnlLyric")->InFront());
    EXPECT_FALSE(Panel("dpnlDynamicLyric")->InFront());
    container->SetActiveChildIndex(0);
    Settle();
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(container->ActiveChildIndex(), 0);

    // A description with the second tab in front starts that way.
    TdxDockItem layout = PlayerDockLayout();
    layout.Children[0].Children[1].Children[1].Children[1].ActiveChildIndex = 1;
    Build(layout);
    EXPECT_TRUE(Panel("dpnlLyric")->InFront());
    EXPECT_EQ(LyricTabs()->currentIndex(), 1);
}

TEST_F(DockTest, EveryBuildStartsWithTheSameArrangement)
{
    const auto fresh = Snapshot();
    // The user rearranges everything...
    Panel("dpnlFileList")->SetFloating(true);
    Panel("dpnlLyric")->SetVisible(false);
    Panel("dpnlExplorer")->SetAutoHide(false);
    Panel("dxDockPanel1")->SetAutoHide(true);
    Settle();
    EXPECT_NE(Snapshot(), fresh);
    // ...and the next start knows nothing of it.
    Build();
    EXPECT_EQ(Snapshot(), fresh);
}

TEST(DockDescription, ComponentsMadeOneByOneAreArrangedWhenLoaded)
{
    // As a design description makes them: each with owner, parent and values.
    TdxDockSite::SetAnimationTime(0);
    TComponent owner(nullptr);
    QWidget window;
    window.resize(500, 300);
    auto* host = new TdxDockSite(&owner);
    host->SetParentWidget(&window);
    host->SetAlign(TAlign::alClient);
    auto* site = new TdxLayoutDockSite(&owner);
    site->SetParent(host);
    site->SetDockType(TdxDockingType::dtClient);
    auto* top = new TdxDockPanel(&owner);
    top->SetParent(site);
    top->SetDockType(TdxDockingType::dtTop);
    top->SetHeight(100);
    top->SetCaption("top");
    auto* rest = new TdxDockPanel(&owner);
    rest->SetParent(site);
    rest->SetDockType(TdxDockingType::dtClient);
    rest->SetVisible(false);  // starts closed
    auto* side = new TdxDockPanel(&owner);
    side->SetParent(host);
    side->SetDockType(TdxDockingType::dtRight);
    side->SetAutoHide(true);
    side->SetVisible(false);  // auto-hidden: not visible, but on its tab
    side->SetWidth(120);
    EXPECT_EQ(host->DockChildren(), (std::vector<TdxDockControl*>{site, side}));
    EXPECT_EQ(site->DockChildren(), (std::vector<TdxDockControl*>{top, rest}));
    EXPECT_EQ(top->DockWidget(), nullptr);  // nothing is arranged yet
    host->Loaded();
    window.show();
    Settle();

    EXPECT_TRUE(top->Visible());
    EXPECT_EQ(top->DockWidget()->geometry().top(), 0);
    EXPECT_FALSE(rest->Visible());
    rest->SetVisible(true);
    Settle();
    EXPECT_TRUE(rest->Visible());
    EXPECT_GT(rest->DockWidget()->geometry().top(), top->DockWidget()->geometry().bottom());
    EXPECT_EQ(side->AutoHidePosition(), TdxAutoHidePosition::ahpRight);
    EXPECT_TRUE(host->AutoHideBar(TdxAutoHidePosition::ahpRight)->isVisible());
    side->ShowAutoHidden();
    EXPECT_TRUE(side->Visible());
    QWidget* frame = side->Widget()->parentWidget();
    EXPECT_EQ(frame->mapTo(&window, QPoint(frame->width(), 0)).x(), 500 - 24);  // out of the right bar
    EXPECT_EQ(frame->width(), 120);
    TdxDockSite::SetAnimationTime(150);
}

TEST(DockDescription, SizesAreInPlaceWhenTheWindowFirstShows)
{
    TComponent owner(nullptr);
    QWidget window;
    window.resize(795, 509);
    TdxDockSite* host = BuildDockLayout(&owner, &window, PlayerDockLayout());
    window.show();  // no event handled yet: what the first paint shows
    auto* toolBar = dynamic_cast<TdxDockPanel*>(owner.FindComponent("dxDockPanel1"));
    auto* list = dynamic_cast<TdxDockPanel*>(owner.FindComponent("dpnlFileList"));
    EXPECT_EQ(toolBar->Height(), 82);
    EXPECT_EQ(list->Height(), 261);
    EXPECT_EQ(host->MainWindow()->width(), 771);
}

TEST(DockDescription, RejectsTreesThatCannotBeArranged)
{
    TComponent owner(nullptr);
    using K = TdxDockItem;
    using T = TdxDockingType;
    TdxDockItem panel = DockItem(K::Panel, "p", T::dtClient);
    EXPECT_THROW(BuildDockLayout(&owner, nullptr, panel), Exception);

    TdxDockItem tabs = DockItem(K::TabContainer, "tabs", T::dtClient);
    tabs.Children = {DockItem(K::LayoutSite, "s", T::dtClient)};
    TdxDockItem host = DockItem(K::Host, "h", T::dtNone);
    host.Children = {tabs};
    try {
        BuildDockLayout(&owner, nullptr, host);
        FAIL() << "a site inside a tab container was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "tabs: a tab container holds dock panels only");
    }

    TdxDockItem inPanel = DockItem(K::Panel, "outer", T::dtClient);
    inPanel.Children = {panel};
    TdxDockItem host2 = DockItem(K::Host, "h2", T::dtNone);
    host2.Children = {inPanel};
    EXPECT_THROW(BuildDockLayout(&owner, nullptr, host2), Exception);
}

TEST(DockDescription, SidesWrapTheClientInTheOrderGiven)
{
    // left panel, then a bottom panel, around a client panel.
    TComponent owner(nullptr);
    using T = TdxDockingType;
    using K = TdxDockItem;
    TdxDockItem host = DockItem(K::Host, "h", T::dtNone);
    host.Children = {DockItem(K::Panel, "left", T::dtLeft, 100, 0), DockItem(K::Panel, "bottom", T::dtBottom, 0, 120),
                     DockItem(K::Panel, "client", T::dtClient)};
    QWidget window;
    window.resize(600, 400);
    BuildDockLayout(&owner, &window, host);
    window.show();
    Settle();
    auto geometry = [&](const char* name) {
        return dynamic_cast<TdxDockPanel*>(owner.FindComponent(name))->DockWidget()->geometry();
    };
    const QRect l = geometry("left"), b = geometry("bottom"), c = geometry("client");
    EXPECT_EQ(l.width(), 100);
    EXPECT_EQ(l.height(), 400);  // the left panel is outermost: full height
    EXPECT_EQ(b.height(), 120);
    EXPECT_GT(b.top(), c.bottom());
    EXPECT_GT(c.left(), l.right());
    EXPECT_EQ(b.left(), c.left());
}

TEST(DockLifetime, PanelsAndHostMayBeFreedInEitherOrder)
{
    TdxDockSite::SetAnimationTime(0);
    {
        TComponent owner(nullptr);
        TdxDockSite* host = BuildDockLayout(&owner, nullptr, PlayerDockLayout());
        host->Widget()->show();
        Settle();
        auto* explorer = dynamic_cast<TdxDockPanel*>(owner.FindComponent("dpnlExplorer"));
        explorer->ShowAutoHidden();
        delete explorer;  // slid out when freed
        EXPECT_EQ(host->ShowingPanel(), nullptr);
        EXPECT_FALSE(host->AutoHideBar(TdxAutoHidePosition::ahpLeft)->isVisible());
        delete owner.FindComponent("dpnlDynamicLyric");
        EXPECT_TRUE(dynamic_cast<TdxDockPanel*>(owner.FindComponent("dpnlLyric"))->TabbedWith().empty());
    }
    {
        TComponent owner(nullptr);
        TdxDockSite* host = BuildDockLayout(&owner, nullptr, PlayerDockLayout());
        auto* list = dynamic_cast<TdxDockPanel*>(owner.FindComponent("dpnlFileList"));
        delete host;  // the panels outlive their host
        EXPECT_EQ(list->DockWidget(), nullptr);
        EXPECT_FALSE(list->Visible());
        list->SetAutoHide(true);
        list->SetFloating(true);
    }
    {
        // In a form, with the explorer out and a panel floating when it goes.
        auto form = std::make_unique<TForm>(nullptr);
        BuildDockLayout(form.get(), form->ClientArea(), PlayerDockLayout());
        form->Show();
        Settle();
        dynamic_cast<TdxDockPanel*>(form->FindComponent("dpnlExplorer"))->ShowAutoHidden();
        dynamic_cast<TdxDockPanel*>(form->FindComponent("dpnlLyric"))->SetFloating(true);
        Settle();
        form.reset();
        Settle();
    }
    TdxDockSite::SetAnimationTime(150);
}

}  // namespace
