// Runs every suite inside a Qt application (offscreen when no platform is set)
// with the application object installed, so widget and timer code works; a
// test that hangs is stopped with the stacks of its threads. Settings, kept
// data and caches go to a folder of the run's own, never the user's, and no
// test reaches a lyric server it did not start itself.

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gmock/gmock.h>

#include "forms/application.h"
#include "tests/support/watchdog.h"

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Before Qt starts any thread: the environment is read by them.
    QTemporaryDir home;
    const QByteArray base = home.path().toLocal8Bit();
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (base + "/cache").constData(), 1);
    // The discard port: nothing listens there, so a search is refused at once.
    setenv("LYRICPLAYER_LRCLIB_URL", "http://127.0.0.1:9", 0);
    ::testing::InitGoogleMock(&argc, argv);
    QApplication qtApp(argc, argv);
    TApplication app;
    app.Initialize();
    // Longer than any test takes under the sanitizers, shorter than the runner's timeout.
    InstallTestWatchdog(::testing::UnitTest::GetInstance()->listeners(), 90);
    return RUN_ALL_TESTS();
}
