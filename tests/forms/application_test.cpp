#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "forms/application.h"
#include "forms/exception.h"
#include "forms/timer.h"

namespace {

struct Reports {
    std::vector<std::pair<std::string, std::string>> boxes;
    Reports()
    {
        Application->SetMessageBoxHook(
            [this](const std::string& title, const std::string& text) { boxes.emplace_back(title, text); });
    }
    ~Reports() { Application->SetMessageBoxHook(nullptr); }
};

TEST(ApplicationErrors, DotIsAddedOnlyAfterCharactersAboveDot)
{
    EXPECT_EQ(TApplication::ErrorText("No MCI device open"), "No MCI device open.");
    EXPECT_EQ(TApplication::ErrorText("Done."), "Done.");
    EXPECT_EQ(TApplication::ErrorText("ends with a dash -"), "ends with a dash -");  // '-' < '.'
    EXPECT_EQ(TApplication::ErrorText("ends with slash/"), "ends with slash/.");     // '/' > '.'
    EXPECT_EQ(TApplication::ErrorText(""), "");
    EXPECT_EQ(TApplication::ErrorText("無法開啟"), "無法開啟.");
}

TEST(ApplicationErrors, OuterHandlerReportsOnceAndNestedErrorsUnwindAllCallers)
{
    Reports reports;
    std::vector<std::string> steps;
    Application->Dispatch([&] {
        steps.push_back("outer begins");
        Application->Dispatch([&] {
            steps.push_back("inner begins");
            throw Exception(Format("%s: %s", "dxMemData", "Field 'x' not found"));
        });
        steps.push_back("outer goes on");  // never reached
    });
    EXPECT_EQ(steps, (std::vector<std::string>{"outer begins", "inner begins"}));
    ASSERT_EQ(reports.boxes.size(), 1u);
    EXPECT_EQ(reports.boxes[0].first, "Project1");
    EXPECT_EQ(reports.boxes[0].second, "dxMemData: Field 'x' not found.");
    EXPECT_FALSE(Application->InHandler());
}

TEST(ApplicationIdle, RaisedOnceEachTimeTheQueueEmpties)
{
    TApplicationEvents events(nullptr);
    int passes = 0;
    events.OnIdle = [&](TObject*, bool&) { ++passes; };

    // Three posted calls are handled in one go: the queue empties once after them.
    int handled = 0;
    for (int i = 0; i < 3; ++i)
        QTimer::singleShot(0, [&] { ++handled; });
    QTimer::singleShot(20, [] { QCoreApplication::exit(0); });
    const int before = passes;
    QCoreApplication::exec();
    EXPECT_EQ(handled, 3);
    EXPECT_GE(passes - before, 1);
    EXPECT_LE(passes - before, 4);  // not once per message: the loop waited twice at most
}

TEST(ApplicationIdle, NoIdlePassWhileAnErrorIsReported)
{
    TApplicationEvents events(nullptr);
    int passes = 0;
    events.OnIdle = [&](TObject*, bool&) { ++passes; };
    Application->SetMessageBoxHook([&](const std::string&, const std::string&) { Application->DoIdle(); });
    Application->Dispatch([] { throw Exception("boom"); });
    Application->SetMessageBoxHook(nullptr);
    EXPECT_EQ(passes, 0);
    Application->DoIdle();
    EXPECT_EQ(passes, 1);
}

TEST(ApplicationIdle, ErrorInIdleHandlerIsReportedAndLaterPassesRun)
{
    Reports reports;
    TApplicationEvents events(nullptr);
    int passes = 0;
    events.OnIdle = [&](TObject*, bool&) {
        if (++passes == 1)
            throw Exception("first pass fails");
    };
    Application->DoIdle();
    Application->DoIdle();
    EXPECT_EQ(passes, 2);
    ASSERT_EQ(reports.boxes.size(), 1u);
    EXPECT_EQ(reports.boxes[0].second, "first pass fails.");
}

TEST(Timer, TicksThroughTheLoopAndStopsWhenDisabled)
{
    TTimer timer(nullptr);
    timer.SetEnabled(false);
    timer.SetInterval(5);
    int ticks = 0;
    timer.OnTimer = [&](TObject* sender) {
        EXPECT_EQ(sender, &timer);
        if (++ticks == 3)
            timer.SetEnabled(false);
    };
    timer.SetEnabled(true);
    QTimer::singleShot(200, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_EQ(ticks, 3);
}

TEST(Timer, ErrorInTickIsReportedAndTheTimerGoesOn)
{
    Reports reports;
    TTimer timer(nullptr);
    timer.SetInterval(5);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        ++ticks;
        if (ticks == 1)
            throw Exception("tick failed");
        if (ticks == 2)
            QCoreApplication::exit(0);
    };
    QTimer::singleShot(2000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(reports.boxes.size(), 1u);
}

TEST(Timer, NextDelayIsTheRealignedDelayUntilItsTickThenTheInterval)
{
    TTimer timer(nullptr);
    timer.SetInterval(1000);
    EXPECT_EQ(timer.NextDelay(), 1000);
    timer.Realign(5);
    EXPECT_EQ(timer.NextDelay(), 5);
    int ticks = 0;
    int delayInTick = -1;
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 1)
            delayInTick = timer.NextDelay();
        QCoreApplication::exit(0);
    };
    QTimer::singleShot(2000, [] { QCoreApplication::exit(1); });
    ASSERT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(delayInTick, 1000);  // the following periods keep Interval
    EXPECT_EQ(timer.NextDelay(), 1000);

    timer.Realign(-20);  // a position past the tick: at once
    EXPECT_EQ(timer.NextDelay(), 0);
    timer.SetInterval(500);  // a new interval starts a whole period
    EXPECT_EQ(timer.NextDelay(), 500);
    timer.Realign(100);
    timer.SetEnabled(false);
    EXPECT_EQ(timer.NextDelay(), 500);
    timer.Realign(100);  // disabled: nothing to realign
    EXPECT_EQ(timer.NextDelay(), 500);
}

}  // namespace

namespace {

TEST(ApplicationErrors, HandlerRunByAModalLoopInsideAHandlerReportsItsOwnError)
{
    Reports reports;
    std::vector<std::string> steps;
    // The outer handler opens a modal loop (as a confirmation box does); a timer
    // tick handled by that loop fails. Its error is reported inside the loop and
    // the outer handler goes on after the loop ends.
    Application->Dispatch([&] {
        QEventLoop modal;
        QTimer::singleShot(0, [&] {
            Application->Dispatch([&] {
                steps.push_back("tick");
                throw Exception("tick failed");
            });
            modal.quit();
        });
        modal.exec();
        steps.push_back("outer goes on");
    });
    EXPECT_EQ(steps, (std::vector<std::string>{"tick", "outer goes on"}));
    ASSERT_EQ(reports.boxes.size(), 1u);
    EXPECT_EQ(reports.boxes[0].second, "tick failed.");
}

}  // namespace
