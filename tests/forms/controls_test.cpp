#include <QApplication>
#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QImage>
#include <QMainWindow>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/buttons.h"
#include "forms/comctrls.h"
#include "forms/exception.h"
#include "forms/forms.h"
#include "forms/stdctrls.h"

namespace {

struct ChangeLog {
    std::vector<int> positions;
    void Watch(TTrackBar& bar)
    {
        bar.OnChange = [this, &bar](TObject* sender) {
            EXPECT_EQ(sender, &bar);
            positions.push_back(bar.Position());
        };
    }
};

void PressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

TEST(TrackBar, ProgramWritesFireOnlyWhenThePositionReallyChanges)
{
    TTrackBar bar(nullptr);
    bar.SetMax(100);
    ChangeLog log;
    log.Watch(bar);

    bar.SetPosition(0);  // as it was
    EXPECT_TRUE(log.positions.empty());
    bar.SetPosition(40);
    bar.SetPosition(40);
    bar.SetPosition(250);  // clamped to Max
    bar.SetPosition(-5);   // clamped to Min
    EXPECT_EQ(log.positions, (std::vector<int>{40, 100, 0}));
}

TEST(TrackBar, WritingMaxThatMovesThePositionFiresOnChangeBeforeItReturns)
{
    TTrackBar bar(nullptr);
    bar.SetMax(200000);
    bar.SetPosition(150000);
    ChangeLog log;
    log.Watch(bar);

    bar.SetMax(180000);  // position still inside: nothing
    EXPECT_TRUE(log.positions.empty());
    bar.SetMax(90000);  // pulls the position back into the range
    EXPECT_EQ(log.positions, (std::vector<int>{90000}));
    EXPECT_EQ(bar.Position(), 90000);
    bar.SetMin(95000);  // Min above Max lifts Max too
    EXPECT_EQ(bar.Max(), 95000);
    EXPECT_EQ(log.positions, (std::vector<int>{90000, 95000}));
}

TEST(TrackBar, EveryUserScrollStepFiresEvenAtTheEnd)
{
    TTrackBar bar(nullptr);
    bar.SetMax(3);
    bar.SetLineSize(1);
    ChangeLog log;
    log.Watch(bar);
    QWidget* slider = bar.Widget();

    PressKey(slider, Qt::Key_Right);
    PressKey(slider, Qt::Key_Right);
    PressKey(slider, Qt::Key_End);
    PressKey(slider, Qt::Key_Right);  // already at Max: the step still reports
    EXPECT_EQ(log.positions, (std::vector<int>{1, 2, 3, 3}));
    EXPECT_EQ(bar.Position(), 3);
    // A drag of the thumb, step by step.
    static_cast<QSlider*>(slider)->setSliderDown(true);
    static_cast<QSlider*>(slider)->setSliderPosition(1);
    static_cast<QSlider*>(slider)->setSliderDown(false);
    EXPECT_EQ(log.positions.back(), 1);
    EXPECT_EQ(bar.Position(), 1);
}

TEST(TrackBar, UserStepErrorIsReportedOnceAndTheBarStaysUsable)
{
    std::vector<std::string> boxes;
    Application->SetMessageBoxHook([&](const std::string&, const std::string& text) { boxes.push_back(text); });
    TTrackBar bar(nullptr);
    bar.SetMax(10);
    bar.OnChange = [](TObject*) { throw Exception("seek failed"); };
    PressKey(bar.Widget(), Qt::Key_Right);
    Application->SetMessageBoxHook(nullptr);
    EXPECT_EQ(boxes, (std::vector<std::string>{"seek failed."}));
    EXPECT_EQ(bar.Position(), 1);
    // A program write lets the error go to whoever wrote.
    EXPECT_THROW(bar.SetPosition(5), Exception);
}

TEST(Memo, KeepsLinesAndRefusesTextBeyondItsCapacity)
{
    TMemo memo(nullptr);
    memo.SetText("one\ntwo\r\nthree\rfour");
    EXPECT_EQ(memo.Text(), "one\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(memo.LineCount(), 4);
    memo.SetCapacity(8);
    try {
        memo.SetText("123456789");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Text exceeds memo capacity");
    }
    EXPECT_EQ(memo.Text(), "one\r\ntwo\r\nthree\r\nfour");  // the old text stays
    memo.Clear();
    EXPECT_EQ(memo.Text(), "");
    EXPECT_EQ(memo.LineCount(), 0);
    EXPECT_GE(TMemo::DefaultCapacity, 1u << 20);
}

TEST(Buttons, ClicksRunOnClickAndToolButtonsShowTheirListImage)
{
    TImageList images(nullptr);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    for (int i = 0; i < 3; ++i)
        images.Add(QIcon(red));
    EXPECT_EQ(images.Count(), 3);
    EXPECT_TRUE(images.Image(3).isNull());

    TToolButton tool(nullptr);
    tool.SetImages(&images);
    tool.SetImageIndex(2);
    EXPECT_EQ(tool.ImageIndex(), 2);
    int clicks = 0;
    tool.OnClick = [&](TObject* sender) {
        EXPECT_EQ(sender, &tool);
        ++clicks;
    };
    tool.Click();

    TSpeedButton speed(nullptr);
    speed.OnClick = [&](TObject*) { ++clicks; };
    speed.Click();
    speed.SetEnabled(false);
    static_cast<QAbstractButton*>(speed.Widget())->click();  // a disabled button does nothing
    EXPECT_EQ(clicks, 2);
}

TEST(Panel, CaptionAndCheckBoxState)
{
    TPanel panel(nullptr);
    panel.SetCaption("暫停 Paused");
    EXPECT_EQ(panel.Caption(), "暫停 Paused");
    TCheckBox box(nullptr);
    box.SetCaption("撥放全部");
    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(box.Caption(), "撥放全部");
}

TEST(Panel, CaptionIsPlainTextAndPaintedHighlightsColourOnlyTheirBytes)
{
    TPanel panel(nullptr);
    auto* label = static_cast<QLabel*>(panel.Widget());
    // A caption that looks like markup is shown as it is written.
    panel.SetCaption("<b>歌</b> & x");
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text().toStdString(), "<b>歌</b> & x");

    // Painted by the panel: the highlighted bytes in their colour, the rest
    // in the font colour.
    panel.SetColor(clBlack);
    panel.SetFontColor(clAqua);
    panel.SetFont("Arial", 20);
    panel.SetAlignment(TAlignment::taLeftJustify);
    panel.SetBounds(0, 0, 300, 30);
    panel.SetPaintsCaption(true);
    panel.SetCaption("HHHH HHHH");
    EXPECT_TRUE(label->text().isEmpty());
    panel.SetHighlights({{5, 100}});
    EXPECT_EQ(panel.Highlights(), (TPanel::TTextRanges{{5, 9}}));  // cut at the caption's end
    auto colours = [&] {
        const QImage shot = label->grab().toImage();
        // Highlight pixels left and right of the space; font-colour pixels.
        int left = 0, right = 0, plain = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                if (shot.pixelColor(x, y) == QColor(Qt::yellow))
                    ++(x < label->fontMetrics().horizontalAdvance("HHHH ") ? left : right);
                plain += shot.pixelColor(x, y) == QColor(Qt::cyan);
            }
        EXPECT_GT(plain, 0);
        return std::pair{left, right};
    };
    const auto [left, right] = colours();
    EXPECT_EQ(left, 0);
    EXPECT_GT(right, 0);
    // A new caption drops them.
    panel.SetCaption("HHHH HHHH");
    EXPECT_TRUE(panel.Highlights().empty());
    EXPECT_EQ(colours(), (std::pair{0, 0}));
}

// A strip inside a framed panel, as under the song list: a new caption or
// highlight paints the strip alone, over its own colour.
TEST(Panel, ANewCaptionPaintsOnlyThePanelOverItsColour)
{
    QWidget window;
    window.resize(320, 40);
    TPanel frame(nullptr);
    frame.SetParentWidget(&window);
    frame.SetBevelOuter(TBevelCut::bvLowered);
    frame.SetBounds(0, 0, 320, 40);
    TPanel strip(nullptr);
    strip.SetParentWidget(frame.Widget());
    strip.SetColor(clBlack);
    strip.SetFontColor(clAqua);
    strip.SetBounds(10, 10, 300, 20);
    strip.SetPaintsCaption(true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    struct Paints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            count += event->type() == QEvent::Paint;
            return false;
        }
    } behind, own;
    window.installEventFilter(&behind);
    frame.Widget()->installEventFilter(&behind);
    strip.Widget()->installEventFilter(&own);
    strip.SetCaption("line 1");
    QApplication::processEvents();
    strip.SetHighlights({{0, 4}});
    QApplication::processEvents();
    EXPECT_EQ(own.count, 2);
    EXPECT_EQ(behind.count, 0);
    const QImage shot = strip.Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), QColor(Qt::black));
}

TEST(Form, CloseRunsOnCloseAndCaNoneKeepsTheWindow)
{
    TForm form(nullptr);
    int closes = 0;
    TCloseAction answer = TCloseAction::caNone;
    form.OnClose = [&](TObject*, TCloseAction& action) {
        ++closes;
        action = answer;
    };
    form.Show();
    form.Close();
    EXPECT_TRUE(form.Window()->isVisible());
    answer = TCloseAction::caHide;
    form.Close();
    EXPECT_FALSE(form.Window()->isVisible());
    EXPECT_EQ(closes, 2);
}

}  // namespace
