#include "lyrics/lrclibpublish.h"

#include <QMetaObject>
#include <optional>

#include "lyrics/proofofwork.h"

namespace lyrics {

LrclibPublisher::LrclibPublisher(LrclibClient& client, QObject* parent) : QObject(parent), FClient(client) {}

LrclibPublisher::~LrclibPublisher()
{
    if (FCancel)
        FCancel->store(true);
    JoinWorker();
}

void LrclibPublisher::JoinWorker()
{
    if (FWorker.joinable())
        FWorker.join();
}

void LrclibPublisher::Start(const lrclib::Track& track, const std::string& plainLyrics,
                            const std::string& syncedLyrics, std::function<void(std::uint64_t)> progress,
                            std::function<void(Report)> done)
{
    Cancel();
    JoinWorker();
    FBody = lrclib::PublishBody(track, plainLyrics, syncedLyrics);
    FProgress = std::move(progress);
    FDone = std::move(done);
    FCancel = std::make_shared<std::atomic<bool>>(false);
    FBusy = true;
    const std::shared_ptr<std::atomic<bool>> cancel = FCancel;
    FClient.RequestChallenge([this, cancel](std::optional<lrclib::Challenge> challenge, LrclibClient::Failure failure,
                                            int status) {
        if (cancel != FCancel || cancel->load())
            return;
        if (!challenge)
            return Finish({Result::Failed, failure, status, {}});
        Solve(std::move(*challenge));
    });
}

void LrclibPublisher::Solve(lrclib::Challenge challenge)
{
    const std::optional<Digest> target = ParseTarget(challenge.target);
    if (!target)
        return Finish({Result::Failed, LrclibClient::Failure::Malformed, 0, {}});
    JoinWorker();
    const std::shared_ptr<std::atomic<bool>> cancel = FCancel;
    QPointer<LrclibPublisher> self(this);
    FWorker = std::thread([self, cancel, prefix = challenge.prefix, target = *target] {
        auto report = [self, cancel](std::uint64_t tried) {
            QMetaObject::invokeMethod(self.data(), [self, cancel, tried] {
                if (self && cancel == self->FCancel && !cancel->load() && self->FProgress)
                    self->FProgress(tried);
            }, Qt::QueuedConnection);
        };
        const std::optional<std::uint64_t> nonce = SolveChallenge(prefix, target, *cancel, report);
        if (!nonce)
            return;
        const std::string token = PublishToken(prefix, *nonce);
        QMetaObject::invokeMethod(self.data(), [self, cancel, token] {
            if (!self || cancel != self->FCancel || cancel->load())
                return;
            self->FClient.Publish(token, self->FBody,
                                  [self, cancel](bool ok, LrclibClient::Failure failure, int status, std::string message) {
                                      if (!self || cancel != self->FCancel || cancel->load())
                                          return;
                                      self->Finish({ok ? Result::Published : Result::Failed, failure, status,
                                                    std::move(message)});
                                  });
        }, Qt::QueuedConnection);
    });
}

void LrclibPublisher::Cancel()
{
    if (!FBusy || !FCancel)
        return;
    FCancel->store(true);
    Finish({Result::Cancelled, LrclibClient::Failure::None, 0, {}});
}

void LrclibPublisher::Finish(Report report)
{
    FBusy = false;
    std::function<void(Report)> done = std::move(FDone);
    FDone = nullptr;
    if (done)
        done(std::move(report));
}

}  // namespace lyrics
