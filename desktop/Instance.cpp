#include "desktop/Instance.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <future>

#include "desktop/Identity.h"
#include "desktop/Later.h"
#include "desktop/log.h"

Q_LOGGING_CATEGORY(lcDesktop, "player.desktop")

namespace desktop {

namespace {

constexpr const char* kConnectionName = "player-session";
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

TSessionBus::TSessionBus(int waitMs)
{
    auto done = std::make_shared<std::promise<QString>>();
    std::future<QString> result = done->get_future();
    FConnecting = std::thread([done] {
        const QDBusConnection connection =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QString::fromUtf8(kConnectionName));
        done->set_value(connection.isConnected() ? QString() : connection.lastError().message());
    });
    if (result.wait_for(std::chrono::milliseconds(waitMs)) != std::future_status::ready) {
        qCDebug(lcDesktop, "session bus: no answer within %d ms", waitMs);
        return;
    }
    FConnecting.join();
    const QString error = result.get();
    FConnected = error.isNull();
    if (FConnected)
        qCDebug(lcDesktop, "session bus: connected");
    else
        qCDebug(lcDesktop, "session bus: none (%s)", qUtf8Printable(error));
}

TSessionBus::~TSessionBus()
{
    if (FService)
        Connection().unregisterObject(QString::fromUtf8(kAppPath));
    FService.reset();
    if (FConnecting.joinable())
        FConnecting.join();
}

QDBusConnection TSessionBus::Connection() const { return QDBusConnection(QString::fromUtf8(kConnectionName)); }

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
