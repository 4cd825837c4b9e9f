#include "desktop/Instance.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "desktop/Identity.h"
#include "desktop/Later.h"
#include "desktop/log.h"

// Debug lines are off until the logging rules turn them on.
Q_LOGGING_CATEGORY(lcDesktop, "player.desktop", QtInfoMsg)

namespace desktop {

namespace {

constexpr const char* kApplicationInterface = "org.freedesktop.Application";
// How long a call to the bus or the running player may take.
constexpr int kCallTimeoutMs = 3000;

}  // namespace

// The object on the application id's path; the window is attached once it
// exists (calls wait in the loop's queue until then).
class TInstanceService : public QObject {
public:
    TPlayerWindow* Window = nullptr;

    void Run(std::function<void(TPlayerWindow*)> command)
    {
        RunLater(this, [this, command = std::move(command)] {
            if (Window)
                command(Window);
        });
    }
};

// org.freedesktop.Application.
class TApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    explicit TApplicationAdaptor(TInstanceService* service) : QDBusAbstractAdaptor(service), FService(service) {}

public slots:
    void Activate(const QVariantMap&)
    {
        FService->Run([](TPlayerWindow* window) { window->Raise(); });
    }
    void Open(const QStringList& uris, const QVariantMap&)
    {
        const QUrl url(uris.value(0));
        const std::string path = url.isLocalFile() ? url.toLocalFile().toStdString() : std::string();
        FService->Run([path](TPlayerWindow* window) {
            window->Raise();
            if (!path.empty())
                window->Open(path);
        });
    }
    void ActivateAction(const QString& name, const QVariantList&, const QVariantMap&)
    {
        FService->Run([name](TPlayerWindow* window) {
            if (name == QLatin1String("play-pause"))
                window->PlayPause();
            else if (name == QLatin1String("next"))
                window->Next();
            else if (name == QLatin1String("previous"))
                window->Previous();
        });
    }

private:
    TInstanceService* FService;
};

namespace {

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TBusProbe::TBusProbe() : FStartMs(NowMs())
{
    // Not inherited by what the child may start (libdbus can launch a bus),
    // so that the pipe closes when the child ends.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    FChild = ::fork();
    if (FChild == 0) {
        // The child: it says nothing, holds none of the program's output
        // open, and ends with the program or after the bus's own time limit,
        // whichever comes first. It needs no application object to connect,
        // and it writes its answer before it exits: tearing down a copy of
        // the whole process takes a few milliseconds more.
        ::close(ends[0]);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::alarm(30);
        const char answer = QDBusConnection::sessionBus().isConnected() ? kAnswers : kNone;
        const bool written = ::write(ends[1], &answer, 1) == 1;
        ::_exit(written ? 0 : 1);
    }
    ::close(ends[1]);
    if (FChild < 0)
        ::close(ends[0]);
    else
        FPipe = ends[0];
}

TBusProbe::~TBusProbe()
{
    if (FChild > 0) {
        ::kill(FChild, SIGKILL);
        ::waitpid(FChild, nullptr, 0);
    }
    if (FPipe >= 0)
        ::close(FPipe);
}

bool TBusProbe::Answered(int waitMs)
{
    if (FChild <= 0)
        return false;
    pollfd end{FPipe, POLLIN, 0};
    int ready = 0;
    do {
        const long long left = std::max(0LL, FStartMs + waitMs - NowMs());
        ready = ::poll(&end, 1, static_cast<int>(left));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        qCDebug(lcDesktop, "session bus: no answer within %d ms", waitMs);
        // An address that fails at once: no later use of the bus waits.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/dev/null/no-answer", 1);
        return false;
    }
    // A child that ended without a word (it crashed) found no bus either.
    char answer = kNone;
    ssize_t got = 0;
    do
        got = ::read(FPipe, &answer, 1);
    while (got < 0 && errno == EINTR);
    const bool answered = got == 1 && answer == kAnswers;
    qCDebug(lcDesktop, "session bus: %s", answered ? "answers" : "none");
    return answered;
}

TSessionBus::TSessionBus(bool answered)
{
    FConnected = answered && QDBusConnection::sessionBus().isConnected();
}

TSessionBus::~TSessionBus()
{
    if (FService)
        Connection().unregisterObject(QString::fromUtf8(kAppPath));
}

QDBusConnection TSessionBus::Connection() const { return QDBusConnection::sessionBus(); }

TSessionBus::TClaim TSessionBus::Claim()
{
    if (!FConnected)
        return TClaim::Failed;
    QDBusConnection connection = Connection();
    FService = std::make_unique<TInstanceService>();
    new TApplicationAdaptor(FService.get());
    connection.registerObject(QString::fromUtf8(kAppPath), FService.get(), QDBusConnection::ExportAdaptors);
    QDBusConnectionInterface* bus = connection.interface();
    bus->setTimeout(kCallTimeoutMs);
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus->registerService(
        QString::fromUtf8(kAppId), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    TClaim claim = TClaim::Failed;
    if (reply.isValid())
        claim = reply.value() == QDBusConnectionInterface::ServiceRegistered ? TClaim::Claimed : TClaim::HeldByOther;
    if (claim != TClaim::Claimed) {
        connection.unregisterObject(QString::fromUtf8(kAppPath));
        FService.reset();
    }
    qCDebug(lcDesktop, "application id: %s", claim == TClaim::Claimed       ? "claimed"
                                             : claim == TClaim::HeldByOther ? "held by the running player"
                                                                            : "refused");
    return claim;
}

void TSessionBus::Attach(TPlayerWindow* window)
{
    if (FService)
        FService->Window = window;
}

bool TSessionBus::HandOff(const std::string& path)
{
    if (path.empty())
        return CallRunning(QStringLiteral("Activate"), {QVariantMap()});
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
    const QString uri = QUrl::fromLocalFile(QString::fromStdString(absolute)).toString(QUrl::FullyEncoded);
    return CallRunning(QStringLiteral("Open"), {QStringList{uri}, QVariantMap()});
}

bool TSessionBus::SendAction(const std::string& action)
{
    return CallRunning(QStringLiteral("ActivateAction"),
                       {QString::fromStdString(action), QVariantList(), QVariantMap()});
}

bool TSessionBus::CallRunning(const QString& method, const QVariantList& arguments)
{
    if (!FConnected)
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromUtf8(kAppId), QString::fromUtf8(kAppPath),
                                                       QString::fromUtf8(kApplicationInterface), method);
    call.setArguments(arguments);
    const QDBusMessage reply = Connection().call(call, QDBus::Block, kCallTimeoutMs);
    qCDebug(lcDesktop, "handed %s to the running player: %s", qUtf8Printable(method),
            reply.type() == QDBusMessage::ReplyMessage ? "done" : qUtf8Printable(reply.errorMessage()));
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace desktop

#include "Instance.moc"
