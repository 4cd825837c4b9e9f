// Screenshots of the real window on a real X server (Xvfb): the start, the
// explorer slid out, and a demo song playing with its lyrics, on GStreamer.
// The pictures are written to the folder in PLAYER_SHOTS_DIR for a person to
// look at; the tests check what can be checked in the pixels.

#include <QAbstractButton>
#include <QGuiApplication>
#include <QImage>
#include <QMainWindow>
#include <QScreen>
#include <QTest>
#include <cstdlib>

#include <QAction>
#include <QHeaderView>
#include <QTableWidget>

#include "app/LyricEditor.h"
#include "media/GstMediaService.h"
#include "tests/app/window_fixture.h"

namespace {

class Screenshots : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        const char* dir = std::getenv("PLAYER_SHOTS_DIR");
        shots = dir ? dir : (std::filesystem::temp_directory_path() / "player-shots").string();
        std::filesystem::create_directories(shots);
        media::GstOptions options;
        options.audioSink = "fakesink sync=true";
        gst = media::CreateGstMediaService(options);
    }

    static void Wait(int ms)
    {
        RunLoopUntil([] { return false; }, ms);
    }

    void ShowWindow()
    {
        frm->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frm->Window()));
        frm->Window()->activateWindow();
        Wait(300);
    }

    // The window as the X server shows it, saved under name.
    QImage Shoot(const char* name)
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QImage image = screen->grabWindow(frm->Window()->winId()).toImage();
        const std::string path = shots + "/" + name;
        EXPECT_TRUE(image.save(QString::fromStdString(path))) << path;
        std::printf("screenshot: %s\n", path.c_str());
        std::fflush(stdout);
        return image;
    }

    // The pixel at the centre of a control, in window coordinates.
    QColor At(const QImage& image, TControl* control, QPoint offset = {})
    {
        const QPoint p = control->Widget()->mapTo(frm->Window(), control->Widget()->rect().center() + offset);
        return image.pixelColor(p);
    }
    // True when some pixel of the control's area is aqua (text drawn smooth
    // has few pixels of the pure colour: near it counts). scale: screen
    // pixels per window pixel.
    bool ShowsAqua(const QImage& image, TControl* control, double scale = 1.0)
    {
        const QRect logical(control->Widget()->mapTo(frm->Window(), QPoint(0, 0)), control->Widget()->size());
        const QRect r(logical.topLeft() * scale, logical.size() * scale);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor c = image.valid(x, y) ? image.pixelColor(x, y) : QColor();
                if (c.red() < 80 && c.green() > 180 && c.blue() > 180)
                    return true;
            }
        return false;
    }

    std::string shots;
    std::shared_ptr<media::MediaService> gst;
};

TEST_F(Screenshots, StartAndTheExplorerSlidOut)
{
    Start(gst);
    ShowWindow();
    const QImage start = Shoot("start.png");
    ASSERT_EQ(start.size(), QSize(795, 509) * frm->Window()->devicePixelRatio());
    // The strips are black with the aqua time; the explorer is only its tab.
    EXPECT_EQ(At(start, frm->pnlCurrentText), QColor(Qt::black));
    EXPECT_FALSE(ShowsAqua(start, frm->pnlCurrentText));
    EXPECT_TRUE(ShowsAqua(start, frm->pnlTime));
    EXPECT_FALSE(frm->ShellTreeView1->Widget()->isVisible());

    QTest::mouseClick(frm->dpnlExplorer->AutoHideTab(), Qt::LeftButton);
    ASSERT_TRUE(RunLoopUntil([&] { return frm->dpnlExplorer->SlidOut(); }, 3000));
    Wait(500);  // the slide's animation
    const QImage out = Shoot("explorer.png");
    // The folder tree lies over the song list, which stays where it was.
    ASSERT_TRUE(frm->ShellTreeView1->Widget()->isVisible());
    const QRect tree(frm->ShellTreeView1->Widget()->mapTo(frm->Window(), QPoint(0, 0)),
                     frm->ShellTreeView1->Widget()->size());
    const QRect list(frm->dxDBGrid1->Widget()->mapTo(frm->Window(), QPoint(0, 0)), frm->dxDBGrid1->Widget()->size());
    EXPECT_TRUE(tree.intersects(list));
    EXPECT_GE(tree.width(), 150);
    EXPECT_NE(out, start);
}

// Run with QT_FONT_DPI set (another text resolution than the design's 96):
// the window and every control are scaled by the ratio.
TEST_F(Screenshots, ScaledByTheTextResolution)
{
    const char* dpi = std::getenv("QT_FONT_DPI");
    if (!dpi)
        GTEST_SKIP() << "QT_FONT_DPI is not set";
    const double ratio = std::atof(dpi) / 96.0;
    Start(gst);
    ShowWindow();
    EXPECT_DOUBLE_EQ(frm->Window()->devicePixelRatio(), ratio);
    const QImage shot = Shoot("scaled.png");
    // The design's sizes, in pixels of the screen times the ratio.
    EXPECT_NEAR(shot.width(), 795 * ratio, 1);
    EXPECT_NEAR(shot.height(), 509 * ratio, 1);
    const QRect strip(frm->pnlTime->Widget()->mapTo(frm->Window(), QPoint(0, 0)), frm->pnlTime->Widget()->size());
    EXPECT_EQ(shot.pixelColor((strip.center() * ratio)), QColor(Qt::black));
    EXPECT_TRUE(ShowsAqua(shot, frm->pnlTime, ratio));
}

TEST_F(Screenshots, ADemoSongPlayingWithItsLyrics)
{
    const std::filesystem::path demo = std::filesystem::path(PLAYER_SOURCE_DIR) / "demo";
    std::filesystem::create_directories(root / "demo");
    for (const auto& entry : std::filesystem::directory_iterator(demo))
        if (entry.path().extension() == ".mp3" || entry.path().extension() == ".txt")
            std::filesystem::copy_file(entry.path(), root / "demo" / entry.path().filename());
    Start(gst);
    ShowWindow();
    User([&] { frm->OpenArgument(Folder("demo") + "/Morning Light.mp3"); });
    ASSERT_TRUE(boxes.empty()) << boxes.front();
    ASSERT_TRUE(RunLoopUntil([&] { return frm->pnlTime->Caption() == "00:04"; }, 15000));
    Wait(200);  // the repaint
    const QImage playing = Shoot("playing.png");
    EXPECT_EQ(frm->pnlPlayFile->Caption(), "Morning Light");
    EXPECT_FALSE(frm->pnlCurrentText->Caption().empty());
    // The current line is written in aqua on the black strip.
    EXPECT_TRUE(ShowsAqua(playing, frm->pnlCurrentText));
    EXPECT_TRUE(ShowsAqua(playing, frm->pnlPlayFile));
    User([&] { frm->btnStop->Click(); });
}

TEST_F(Screenshots, TheLyricTimingEditor)
{
    Start();
    Song("m", "a.mp3", 200000);
    Text("m", "a.txt", "第一行 first line\nsecond line\n第三行\nfourth\n");
    ClickFolder("m");
    ShowWindow();
    User([&] { frm->btnPlay->Click(); });
    User([&] { frm->actEditLyrics->trigger(); });
    TLyricEditor* editor = frm->LyricEditorWindow;
    ASSERT_NE(editor, nullptr);
    for (int i = 0; i < 2; ++i) {
        media->Advance(1800);
        editor->actStamp->trigger();
    }
    ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
    editor->activateWindow();
    Wait(300);
    const QImage shot = QGuiApplication::primaryScreen()->grabWindow(editor->winId()).toImage();
    const std::string path = shots + "/editor.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(path))) << path;
    std::printf("screenshot: %s\n", path.c_str());
    // The stamped times are shown; the line timed next is highlighted, the others are not.
    QTableWidget* table = editor->Table();
    EXPECT_EQ(table->item(1, 0)->text().toStdString(), "00:03.60");
    EXPECT_TRUE(table->item(2, 0)->text().isEmpty());
    const auto background = [&](int row) {
        const QRect cell = table->visualRect(table->model()->index(row, 0));
        const QPoint p = table->viewport()->mapTo(editor, QPoint(cell.left() + 2, cell.center().y()));
        return shot.pixelColor(p * editor->devicePixelRatio());
    };
    EXPECT_NE(background(2), background(3));
    EXPECT_EQ(background(1), background(3));
    editor->Model().MarkSaved();
    editor->close();
}

}  // namespace
