// The window as its design builds it: place and size, the dock panels and what
// each holds, the cool bar and the controls of its two tool bars, the display
// strips, the glyphs, and the seek bar driven by real mouse input.

#include <QAbstractButton>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QSlider>
#include <QTest>

#include "app/CoolBar.h"
#include "tests/app/window_fixture.h"

namespace {

class DesignTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        TdxDockSite::SetAnimationTime(0);
    }
    void TearDown() override
    {
        WindowTest::TearDown();
        TdxDockSite::SetAnimationTime(150);
    }
    void Shown()
    {
        frm->Show();
        QApplication::setActiveWindow(frm->Window());
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
    }
    // True when control sits (at any depth) in the panel's client area.
    static bool In(TdxDockPanel* panel, TControl* control)
    {
        return panel->Widget()->isAncestorOf(control->Widget());
    }
};

TEST_F(DesignTest, WindowOpensAtItsPlaceWithTheDockArrangement)
{
    Start();
    Shown();
    // Left, top and the client size; the window frame adds its own edges.
    EXPECT_EQ(frm->Window()->pos(), QPoint(215, 189));
    EXPECT_EQ(frm->Window()->size(), QSize(795, 509));
    EXPECT_EQ(frm->Window()->font().pixelSize(), 11);

    // The host fills the client area; the tool-bar panel is on top, the song
    // list below it, the lyric tabs below that, "動態歌詞" in front.
    EXPECT_EQ(frm->dsHost->Widget()->size(), QSize(795, 509));
    EXPECT_EQ(frm->dxDockPanel1->Caption(), "撥放工具列");
    EXPECT_EQ(frm->dpnlFileList->Caption(), "歌曲列表");
    EXPECT_EQ(frm->dpnlDynamicLyric->Caption(), "動態歌詞");
    EXPECT_EQ(frm->dpnlLyric->Caption(), "歌詞原始檔");
    EXPECT_EQ(frm->dpnlExplorer->Caption(), "檔案總管");
    const QRect tools = frm->dxDockPanel1->DockWidget()->geometry();
    const QRect list = frm->dpnlFileList->DockWidget()->geometry();
    const QRect lyrics = frm->dpnlDynamicLyric->DockWidget()->geometry();
    EXPECT_EQ(tools.height(), 82);
    EXPECT_EQ(list.height(), 261);
    EXPECT_LT(tools.bottom(), list.top());
    EXPECT_LT(list.bottom(), lyrics.top());
    EXPECT_TRUE(frm->dpnlDynamicLyric->InFront());
    EXPECT_EQ(frm->dpnlDynamicLyric->TabbedWith(), std::vector<TdxDockPanel*>{frm->dpnlLyric});
    EXPECT_EQ(frm->dxTabContainerDockSite2->ActiveChildIndex(), 0);
    EXPECT_EQ(frm->dpnlDynamicLyric->ImageIndex(), 1);
    EXPECT_EQ(frm->dpnlLyric->ImageIndex(), -1);
    EXPECT_EQ(frm->dpnlFileList->DockParent(), frm->dxVertContainerDockSite2);
    EXPECT_EQ(frm->dxVertContainerDockSite2->DockParent(), frm->dxLayoutDockSite5);
    EXPECT_EQ(frm->dxDockPanel1->DockParent(), frm->dxLayoutDockSite1);

    // The explorer: collapsed to its tab with icon 0, on the host's left edge.
    EXPECT_FALSE(frm->dpnlExplorer->Visible());
    EXPECT_TRUE(frm->dpnlExplorer->AutoHide());
    EXPECT_EQ(frm->dpnlExplorer->AutoHidePosition(), TdxAutoHidePosition::ahpLeft);
    EXPECT_EQ(frm->dpnlExplorer->ImageIndex(), 0);
    ASSERT_NE(frm->dpnlExplorer->AutoHideTab(), nullptr);
    EXPECT_TRUE(frm->dpnlExplorer->AutoHideTab()->isVisible());
    EXPECT_LT(frm->dpnlExplorer->AutoHideTab()->mapTo(frm->Window(), QPoint(0, 0)).x(), 4);

    // Each panel holds its controls.
    EXPECT_TRUE(In(frm->dxDockPanel1, frm->CoolBar2));
    EXPECT_TRUE(In(frm->dpnlFileList, frm->dxDBGrid1));
    EXPECT_TRUE(In(frm->dpnlFileList, frm->pnlCurrentText));
    EXPECT_TRUE(In(frm->dpnlDynamicLyric, frm->dxDBGrid2));
    EXPECT_TRUE(In(frm->dpnlLyric, frm->memLyric));
    EXPECT_TRUE(In(frm->dpnlExplorer, frm->ShellTreeView1));
    // The current-lyric strip lies under the song grid, across the panel.
    const QRect grid = frm->dxDBGrid1->Widget()->geometry();
    const QRect strip = frm->Panel14->Widget()->geometry();
    EXPECT_EQ(strip.height(), 23);
    EXPECT_EQ(strip.top(), grid.bottom() + 1);

    // Activating the tab slides the explorer out with the folder tree.
    static_cast<QAbstractButton*>(frm->dpnlExplorer->AutoHideTab())->click();
    QApplication::processEvents();
    EXPECT_TRUE(frm->dpnlExplorer->SlidOut());
    EXPECT_TRUE(frm->ShellTreeView1->Widget()->isVisible());
}

TEST_F(DesignTest, CoolBarHoldsThePlaybackAndVolumeBarsWithTheirControlsInOrder)
{
    Start();
    Shown();
    ASSERT_EQ(frm->CoolBar2->BandCount(), 2);
    EXPECT_EQ(frm->CoolBar2->BandControl(0), frm->ToolBar1);
    EXPECT_EQ(frm->CoolBar2->BandControl(1), frm->tbMedia);
    EXPECT_EQ(frm->CoolBar2->Height(), 58);
    EXPECT_LT(frm->ToolBar1->Widget()->geometry().bottom(), frm->tbMedia->Widget()->geometry().top());

    struct Expected {
        TControl* control;
        int left, width;
        const char* hint;
    };
    for (const Expected& e : {Expected{frm->btnPlay, 0, 23, "撥放"}, Expected{frm->btnPause, 23, 23, "暫停"},
                              Expected{frm->btnPrior, 46, 23, "上一個"}, Expected{frm->btnNext, 69, 23, "下一個"},
                              Expected{frm->btnStop, 92, 23, "停止"}, Expected{frm->qivTrackBar1, 115, 102, "撥放進度"},
                              Expected{frm->Panel8, 217, 44, ""}, Expected{frm->cbxPlay, 261, 102, ""}}) {
        SCOPED_TRACE(e.control->Name());
        EXPECT_EQ(e.control->Parent(), frm->ToolBar1);
        EXPECT_EQ(e.control->Left(), e.left);
        EXPECT_EQ(e.control->Width(), e.width);
        EXPECT_EQ(e.control->Height(), 22);
        EXPECT_EQ(e.control->Hint(), e.hint);
    }
    for (const Expected& e : {Expected{frm->tbtnMute, 0, 23, "靜音"}, Expected{frm->TrackBar1, 23, 66, "調整音量"},
                              Expected{frm->Panel12, 89, 240, ""}}) {
        SCOPED_TRACE(e.control->Name());
        EXPECT_EQ(e.control->Parent(), frm->tbMedia);
        EXPECT_EQ(e.control->Left(), e.left);
        EXPECT_EQ(e.control->Width(), e.width);
    }
    // Both bars keep a border of one pixel around their controls.
    for (TToolBar* bar : {frm->ToolBar1, frm->tbMedia}) {
        EXPECT_EQ(bar->BorderWidth(), 1);
        TControl* first = bar == frm->ToolBar1 ? static_cast<TControl*>(frm->btnPlay) : frm->tbtnMute;
        EXPECT_EQ(first->Widget()->mapTo(bar->Widget(), QPoint(0, 0)), QPoint(1, 1));
    }
    EXPECT_EQ(frm->cbxPlay->Caption(), "撥放全部");
    EXPECT_TRUE(frm->cbxPlay->Checked());
    EXPECT_EQ(frm->tbtnMute->ImageIndex(), 41);

    // The strips: black with aqua text; the time strip fills its frame.
    for (TPanel* panel : {frm->Panel13, frm->pnlPlayFile, frm->pnlPlayTime, frm->pnlTime, frm->Panel15,
                          frm->pnlCurrentText}) {
        SCOPED_TRACE(panel->Name());
        EXPECT_EQ(panel->Color(), clBlack);
        EXPECT_EQ(panel->FontColor(), clAqua);
        EXPECT_EQ(panel->BevelOuter(), TBevelCut::bvNone);
    }
    EXPECT_EQ(frm->pnlTime->Caption(), "00:00");
    EXPECT_EQ(frm->pnlTime->Widget()->geometry(), QRect(3, 3, 38, 16));
    EXPECT_EQ(frm->Panel13->Width(), 6);
    EXPECT_EQ(frm->pnlPlayTime->Width(), 40);
    EXPECT_EQ(frm->pnlPlayFile->Width(), 240 - 6 - 6 - 40);
}

TEST_F(DesignTest, GlyphsShowTheirGreyedImageWhileDisabled)
{
    Start();
    Shown();
    for (TSpeedButton* button : {frm->btnPlay, frm->btnPause, frm->btnPrior, frm->btnNext, frm->btnStop}) {
        SCOPED_TRACE(button->Name());
        const QIcon icon = static_cast<QAbstractButton*>(button->Widget())->icon();
        const QImage normal = icon.pixmap(16, 16, QIcon::Normal).toImage();
        const QImage greyed = icon.pixmap(16, 16, QIcon::Disabled).toImage();
        ASSERT_FALSE(normal.isNull());
        // Same shape, drawn black when enabled and grey when disabled.
        int black = 0, grey = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                if (qAlpha(normal.pixel(x, y)) == 255 && qGray(normal.pixel(x, y)) < 40)
                    ++black;
                const QRgb g = greyed.pixel(x, y);
                if (qAlpha(g) == 255 && qGray(g) > 100 && qGray(g) < 160)
                    ++grey;
            }
        EXPECT_GT(black, 10);
        EXPECT_GT(grey, 10);
    }
    // The play triangle points right: its left column is taller than its tip.
    const QImage play = static_cast<QAbstractButton*>(frm->btnPlay->Widget())->icon().pixmap(16, 16).toImage();
    auto column = [&](int x) {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            n += qAlpha(play.pixel(x, y)) > 128;
        return n;
    };
    EXPECT_GT(column(5), column(11));
}

TEST_F(DesignTest, SeekBarTakesTheMouseThroughItsWiredHandlers)
{
    Start();
    Song("m", "a.mp3", 60000);
    Text("m", "a.txt", "[00:30]Thirty\n");
    ClickFolder("m");
    Shown();
    User([&] { frm->btnPlay->Click(); });
    ASSERT_TRUE(frm->Timer1->Enabled());
    QWidget* bar = frm->qivTrackBar1->Widget();
    // A press stops the position updates; a click on the groove pages the
    // thumb, which runs OnChange (the time display follows); the release
    // plays from there.
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    EXPECT_FALSE(frm->Timer1->Enabled());
    const int moved = frm->qivTrackBar1->Position();
    EXPECT_GT(moved, 0);
    EXPECT_EQ(frm->pnlTime->Caption(), MsToMinSec(moved));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    EXPECT_TRUE(frm->Timer1->Enabled());
    EXPECT_EQ(frm->Player()->Position(), moved);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(DesignTest, EveryStartShowsTheDesignedArrangement)
{
    Start();
    Shown();
    // The user rearranges: the song list floats, the explorer is pinned, the
    // raw lyrics come to the front, the lyric tabs are closed.
    frm->dpnlFileList->SetFloating(true);
    frm->dpnlExplorer->SetAutoHide(false);
    frm->dpnlLyric->SetVisible(false);
    QApplication::processEvents();
    ASSERT_TRUE(frm->dpnlFileList->Floating());
    Close();
    frm.reset();

    Start();
    Shown();
    EXPECT_FALSE(frm->dpnlFileList->Floating());
    EXPECT_TRUE(frm->dpnlFileList->Visible());
    EXPECT_TRUE(frm->dpnlLyric->Visible());
    EXPECT_TRUE(frm->dpnlExplorer->AutoHide());
    EXPECT_FALSE(frm->dpnlExplorer->Visible());
    EXPECT_TRUE(frm->dpnlDynamicLyric->InFront());
    EXPECT_EQ(frm->dpnlFileList->DockWidget()->geometry().height(), 261);
}

}  // namespace
