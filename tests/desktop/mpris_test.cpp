// The real program under a virtual X server, on a private session bus and a
// private PulseAudio server, driven by the real MPRIS2 client playerctl (and
// glib's gdbus and dbus-monitor where playerctl has no command). The player
// plays a copy of the demo songs; each command must leave the state the
// window's own button leaves.

#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "desktop/Mpris.h"

namespace {

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

Result Exec(const QString& program, const QStringList& arguments, int timeoutMs = 10000)
{
    QProcess process;
    process.start(program, arguments);
    Result result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        result.err = "timed out";
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().trimmed().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

// playerctl on our player only.
Result Ctl(QStringList arguments)
{
    arguments.prepend(QStringLiteral("--player=lyricplayer"));
    return Exec(QStringLiteral("playerctl"), arguments);
}
std::string Get(const QString& what) { return Ctl(QString(what).split(' ')).out; }
double Position() { return std::stod("0" + Get("position")); }

bool WaitFor(const std::function<bool()>& done, int limitMs = 10000)
{
    for (int waited = 0; waited < limitMs; waited += 50) {
        if (done())
            return true;
        QThread::msleep(50);
    }
    return done();
}

// gdbus on the player's MPRIS2 object.
Result Bus(const QString& method, const QStringList& arguments)
{
    QStringList words{"call", "--session", "--dest", "org.mpris.MediaPlayer2.lyricplayer", "--object-path",
                      "/org/mpris/MediaPlayer2", "--method", method};
    return Exec(QStringLiteral("gdbus"), words + arguments);
}

std::string Property(const QString& name)
{
    return Bus("org.freedesktop.DBus.Properties.Get", {"org.mpris.MediaPlayer2.Player", name}).out;
}

// A window of the program on the X server, mapped and viewable.
bool WindowShows(const char* name)
{
    return Exec(QStringLiteral("xwininfo"), {"-name", name}).out.find("IsViewable") != std::string::npos;
}

QProcess* StartPlayer(const QStringList& arguments, const QString& busAddress = {})
{
    auto* player = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    if (!busAddress.isEmpty())
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
    player->setProcessEnvironment(env);
    player->setProcessChannelMode(QProcess::ForwardedChannels);
    player->start(QStringLiteral(PLAYER_PROGRAM), arguments);
    player->waitForStarted();
    return player;
}

void EndPlayer(QProcess* player)
{
    if (player->state() != QProcess::NotRunning) {
        player->terminate();
        if (!player->waitForFinished(5000))
            player->kill();
        player->waitForFinished();
    }
    delete player;
}

// One player for the suite, started again when a case has quit it. Each
// case begins with the folder opened anew: stopped, on its first song.
class Mpris : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        songs = std::filesystem::temp_directory_path() / ("player_mpris_" + std::to_string(::getpid()));
        std::filesystem::remove_all(songs);
        std::filesystem::create_directories(songs);
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(PLAYER_SOURCE_DIR) / "demo"))
            std::filesystem::copy_file(entry.path(), songs / entry.path().filename());
    }
    static void TearDownTestSuite()
    {
        if (player)
            EndPlayer(player);
        player = nullptr;
        std::filesystem::remove_all(songs);
    }

    void SetUp() override
    {
        if (player && player->state() == QProcess::NotRunning) {
            EndPlayer(player);
            player = nullptr;
        }
        if (!player) {
            player = StartPlayer({QString::fromStdString(songs.string())});
            // The folder is listed once a song can be played.
            ASSERT_TRUE(WaitFor([] { return Property("CanPlay") == "(<true>,)"; }, 20000));
            // No song has started yet.
            EXPECT_EQ(Property("Metadata"), "(<@a{sv} {}>,)");
            return;
        }
        const QString folder = QUrl::fromLocalFile(QString::fromStdString(songs.string())).toString();
        const Result opened = Exec("gdbus", {"call", "--session", "--dest", "io.github.lyricplayer.LyricPlayer",
                                             "--object-path", "/io/github/lyricplayer/LyricPlayer", "--method",
                                             "org.freedesktop.Application.Open", "['" + folder + "']", "{}"});
        ASSERT_EQ(opened.code, 0) << opened.err;
        ASSERT_TRUE(StatusIs("Stopped"));
        ASSERT_TRUE(WaitFor([] { return Property("CanGoPrevious") == "(<false>,)"; }, 5000));
    }

    static std::string Uri(const std::string& name)
    {
        return QUrl::fromLocalFile(QString::fromStdString((songs / name).string()))
            .toString(QUrl::FullyEncoded)
            .toStdString();
    }
    static bool StatusIs(const char* status)
    {
        return WaitFor([status] { return Get("status") == status; }, 5000);
    }
    static bool TitleIs(const std::string& title)
    {
        return WaitFor([&] { return Get("metadata xesam:title") == title; }, 5000);
    }
    // A song opens in the background: its length is 0 until it is ready, and
    // the changed metadata is signalled then.
    static bool LengthIsKnown()
    {
        return WaitFor(
            [] {
                const std::string length = Get("metadata mpris:length");
                return !length.empty() && length[0] != '0';
            },
            10000);
    }

    static inline std::filesystem::path songs;
    static inline QProcess* player = nullptr;
};

TEST_F(Mpris, TheOnePlayerIsListedAndDescribesItself)
{
    EXPECT_EQ(Exec("playerctl", {"-l"}).out, "lyricplayer");
    const Result root = Bus("org.freedesktop.DBus.Properties.GetAll", {"org.mpris.MediaPlayer2"});
    ASSERT_EQ(root.code, 0) << root.err;
    for (const char* property :
         {"'CanQuit': <true>", "'CanRaise': <true>", "'HasTrackList': <false>", "'Identity': <'Lyric Player'>",
          "'DesktopEntry': <'io.github.lyricplayer.LyricPlayer'>", "'SupportedUriSchemes': <['file']>",
          "'SupportedMimeTypes': <['audio/mpeg']>"})
        EXPECT_NE(root.out.find(property), std::string::npos) << property << " in " << root.out;
}

TEST_F(Mpris, EachCommandDoesWhatItsButtonDoes)
{
    ASSERT_EQ(Get("status"), "Stopped");
    // Pause is disabled while nothing plays: it does nothing.
    EXPECT_EQ(Property("CanPause"), "(<false>,)");
    Ctl({"pause"});
    QThread::msleep(300);
    EXPECT_EQ(Get("status"), "Stopped");
    Ctl({"play"});
    ASSERT_TRUE(StatusIs("Playing"));
    EXPECT_TRUE(TitleIs("Counting Stars"));
    ASSERT_TRUE(LengthIsKnown());
    Ctl({"pause"});
    EXPECT_TRUE(StatusIs("Paused"));
    Ctl({"play"});  // resumes
    EXPECT_TRUE(StatusIs("Playing"));
    Ctl({"play-pause"});
    EXPECT_TRUE(StatusIs("Paused"));
    Ctl({"play-pause"});
    EXPECT_TRUE(StatusIs("Playing"));

    Ctl({"position", "5"});
    EXPECT_TRUE(WaitFor([] { return Position() >= 5.0; }, 3000));
    EXPECT_LT(Position(), 6.5);
    Ctl({"position", "2+"});
    EXPECT_TRUE(WaitFor([] { return Position() >= 7.0; }, 3000));
    EXPECT_LT(Position(), 8.5);

    // Previous is disabled on the first row: the song goes on.
    const std::string first = Get("metadata mpris:trackid");
    Ctl({"previous"});
    EXPECT_GE(Position(), 7.0);
    EXPECT_EQ(Get("metadata mpris:trackid"), first);
    Ctl({"next"});
    EXPECT_TRUE(TitleIs("Evening Train"));
    EXPECT_NE(Get("metadata mpris:trackid"), first);
    Ctl({"previous"});
    EXPECT_TRUE(TitleIs("Counting Stars"));
    EXPECT_EQ(Get("status"), "Playing");

    // The volume slider moves, and the master volume with it.
    Ctl({"volume", "0.5"});
    EXPECT_TRUE(WaitFor([] { return Get("volume") == "0.500000"; }, 3000));
    EXPECT_NE(Exec("pactl", {"get-sink-volume", "test_sink"}).out.find("50%"), std::string::npos);

    Ctl({"stop"});
    EXPECT_TRUE(StatusIs("Stopped"));
    EXPECT_EQ(Position(), 0.0);
    // The media keys' play-pause starts a stopped player.
    Ctl({"play-pause"});
    EXPECT_TRUE(StatusIs("Playing"));
}

TEST_F(Mpris, MetadataCarriesTheSongAndItsLyricAndChangesAreSignalled)
{
    Ctl({"play"});
    ASSERT_TRUE(TitleIs("Counting Stars"));
    EXPECT_EQ(Get("metadata xesam:url"), Uri("Counting Stars.mp3"));
    ASSERT_TRUE(LengthIsKnown());
    EXPECT_NEAR(std::stod(Get("metadata mpris:length")), 30e6, 1e6);
    EXPECT_NE(Get("metadata xesam:asText").find("[00:07.00]Every little light is shining bright"), std::string::npos);
    EXPECT_EQ(Get("metadata mpris:trackid").rfind("/org/mpris/", 0), std::string::npos);

    QProcess monitor;
    monitor.start("dbus-monitor", {"--session", "type='signal',path='/org/mpris/MediaPlayer2'"});
    ASSERT_TRUE(monitor.waitForStarted());
    QThread::msleep(300);
    Ctl({"position", "10"});
    QThread::msleep(200);
    Ctl({"pause"});
    ASSERT_TRUE(StatusIs("Paused"));
    QThread::msleep(300);
    monitor.terminate();
    monitor.waitForFinished();
    const std::string signals_ = monitor.readAllStandardOutput().toStdString();
    EXPECT_NE(signals_.find("member=Seeked"), std::string::npos) << signals_;
    EXPECT_NE(signals_.find("member=PropertiesChanged"), std::string::npos);
    EXPECT_NE(signals_.find("\"Paused\""), std::string::npos) << signals_;
}

TEST_F(Mpris, BadInputFromTheBusChangesNothing)
{
    Ctl({"play"});
    ASSERT_TRUE(StatusIs("Playing"));
    Ctl({"pause"});
    ASSERT_TRUE(StatusIs("Paused"));
    const std::string track = Get("metadata mpris:trackid");
    const double at = Position();
    std::filesystem::copy_file(songs / "Morning Light.txt", songs / "notes.txt",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(songs / "Morning Light.txt", songs / "not a song.mp3");
    const std::pair<std::string, const char*> refused[] = {
        {"http://example.com/song.mp3", "only file:// URIs are supported"},
        {Uri("missing.mp3"), "no such file"},
        {Uri("notes.txt"), "not an MP3 song"},
        {Uri("not a song.mp3"), "not an MP3 song"},
        {QUrl::fromLocalFile(QString::fromStdString(songs.string())).toString().toStdString(), "not an MP3 song"}};
    for (const auto& [uri, message] : refused) {
        const Result result = Ctl({"open", QString::fromStdString(uri)});
        EXPECT_NE(result.code, 0) << uri;
        EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    }
    std::filesystem::remove(songs / "not a song.mp3");
    // A position for another track, or outside the song.
    EXPECT_EQ(Bus("org.mpris.MediaPlayer2.Player.SetPosition", {"/io/github/lyricplayer/LyricPlayer/Track/999", "1000000"}).code, 0);
    EXPECT_EQ(Bus("org.mpris.MediaPlayer2.Player.SetPosition", {QString::fromStdString(track), "99000000"}).code, 0);
    EXPECT_EQ(Bus("org.mpris.MediaPlayer2.Player.SetPosition", {QString::fromStdString(track), "--", "-1"}).code, 0);
    QThread::msleep(300);
    EXPECT_EQ(Get("status"), "Paused");
    EXPECT_EQ(Get("metadata mpris:trackid"), track);
    EXPECT_DOUBLE_EQ(Position(), at);
    // No error box: the program's only window is the player.
    EXPECT_FALSE(WindowShows("Project1"));
    EXPECT_TRUE(WindowShows("frmMain"));

    // Before the start is the start; past the end is the next song.
    Ctl({"position", "100-"});
    EXPECT_TRUE(StatusIs("Playing"));
    EXPECT_LT(Position(), 1.5);
    Ctl({"position", "1000+"});
    EXPECT_TRUE(TitleIs("Evening Train"));
}

TEST_F(Mpris, OpenAndASecondStartPlayTheirSongInTheRunningPlayer)
{
    ASSERT_EQ(Ctl({"open", QString::fromStdString(Uri("月光小夜曲.mp3"))}).code, 0);
    EXPECT_TRUE(TitleIs("月光小夜曲"));
    EXPECT_TRUE(StatusIs("Playing"));

    QProcess* second = StartPlayer({QString::fromStdString((songs / "Morning Light.mp3").string())});
    ASSERT_TRUE(second->waitForFinished(5000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    delete second;
    EXPECT_TRUE(TitleIs("Morning Light"));
    EXPECT_TRUE(StatusIs("Playing"));
    EXPECT_EQ(Exec("playerctl", {"-l"}).out, "lyricplayer");
    // A desktop action reaches the running player too.
    QProcess* action = StartPlayer({"--play-pause"});
    ASSERT_TRUE(action->waitForFinished(5000));
    EXPECT_EQ(action->exitCode(), 0);
    delete action;
    EXPECT_TRUE(StatusIs("Paused"));
    // With nothing to hand over, a second start only raises the window.
    QProcess* raise = StartPlayer({});
    ASSERT_TRUE(raise->waitForFinished(5000));
    EXPECT_EQ(raise->exitCode(), 0);
    delete raise;
    EXPECT_EQ(Get("status"), "Paused");
    EXPECT_EQ(Get("metadata xesam:title"), "Morning Light");
    EXPECT_EQ(Exec("playerctl", {"-l"}).out, "lyricplayer");
}

// A window that plays nothing and takes no command.
class IdleWindow : public desktop::TPlayerWindow {
public:
    desktop::TPlayerState State() override { return {}; }
    std::int64_t PositionMs() override { return 0; }
    std::string LyricText() override { return {}; }
    void Play() override {}
    void Pause() override {}
    void PlayPause() override {}
    void Stop() override {}
    void Next() override {}
    void Previous() override {}
    void ReleaseSeekBar(std::int64_t) override {}
    void SetVolume(int) override {}
    void Open(const std::string&) override {}
    void Raise() override {}
    void Quit() override {}
};

// While the player holds the MPRIS2 name, another service is refused it and
// leaves no object of its own on the bus to be taken for the player's.
TEST_F(Mpris, AServiceRefusedTheNameLeavesNothingOnTheBus)
{
    IdleWindow window;
    QDBusConnection connection = QDBusConnection::sessionBus();
    ASSERT_TRUE(connection.isConnected());
    desktop::TMprisService second(&window, connection);
    EXPECT_FALSE(second.Register());
    EXPECT_EQ(connection.objectRegisteredAt(QStringLiteral("/org/mpris/MediaPlayer2")), nullptr);
    EXPECT_EQ(Exec("playerctl", {"-l"}).out, "lyricplayer");
    EXPECT_EQ(Get("status"), "Stopped");
}

TEST_F(Mpris, QuitClosesTheWindow)
{
    ASSERT_EQ(Bus("org.mpris.MediaPlayer2.Quit", {}).code, 0);
    ASSERT_TRUE(player->waitForFinished(10000));
    EXPECT_EQ(player->exitCode(), 0);
    EXPECT_EQ(Exec("playerctl", {"-l"}).out, "");
}

// Without a session bus, or with one that never answers, the window comes up
// as ever (the bus's own time limit is 25 s).
TEST(WithoutABus, TheWindowStartsAsEver)
{
    const std::string silent =
        (std::filesystem::temp_directory_path() / ("player_silent_bus_" + std::to_string(::getpid()))).string();
    ::unlink(silent.c_str());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", silent.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    // Connections wait in the backlog: nobody ever answers them.
    ASSERT_EQ(::listen(listener, 8), 0);

    for (const QString& bus : {QStringLiteral("unix:path=/nonexistent/bus"), "unix:path=" + QString::fromStdString(silent)}) {
        QProcess* player = StartPlayer({QStringLiteral(PLAYER_SOURCE_DIR "/demo")}, bus);
        EXPECT_TRUE(WaitFor([] { return WindowShows("frmMain"); }, 10000)) << bus.toStdString();
        EXPECT_FALSE(WindowShows("Project1"));
        EXPECT_EQ(player->state(), QProcess::Running);
        EndPlayer(player);
    }
    ::close(listener);
    ::unlink(silent.c_str());
}

}  // namespace
