// Runs every suite inside a Qt application (offscreen when no platform is set)
// with the application object installed, so widget and timer code works; a
// test that hangs is stopped with the stacks of its threads.

#include <QApplication>
#include <cstdlib>
#include <gmock/gmock.h>

#include "forms/application.h"
#include "tests/support/watchdog.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleMock(&argc, argv);
    QApplication qtApp(argc, argv);
    TApplication app;
    app.Initialize();
    // Longer than any test takes under the sanitizers, shorter than the runner's timeout.
    InstallTestWatchdog(::testing::UnitTest::GetInstance()->listeners(), 90);
    return RUN_ALL_TESTS();
}
