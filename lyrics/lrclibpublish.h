#pragma once
// Publishing lyrics to LRCLIB: a challenge from the server, its proof of work
// on a thread of its own (the caller's loop never waits; the work can be
// cancelled and reports its progress), then the lyrics with the token.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "lyrics/lrclib.h"
#include "lyrics/lrclibclient.h"

namespace lyrics {

class LrclibPublisher : public QObject {
    Q_OBJECT
public:
    enum class Result { Published, Cancelled, Failed };
    struct Report {
        Result result = Result::Failed;
        LrclibClient::Failure failure = LrclibClient::Failure::None;
        int httpStatus = 0;
        std::string message;  // the server's, when it refused
    };

    explicit LrclibPublisher(LrclibClient& client, QObject* parent = nullptr);
    // Cancels a publishing under way and waits for its worker to stop.
    ~LrclibPublisher() override;

    // Starts publishing; done runs once, on this object's thread. progress
    // hears the nonces tried so far, also on this object's thread.
    void Start(const lrclib::Track& track, const std::string& plainLyrics, const std::string& syncedLyrics,
               std::function<void(std::uint64_t)> progress, std::function<void(Report)> done);
    // Stops the work; done then reports Cancelled (unless it already ran).
    void Cancel();
    bool Busy() const { return FBusy; }

private:
    void Solve(lrclib::Challenge challenge);
    void Finish(Report report);
    void JoinWorker();

    LrclibClient& FClient;
    QByteArray FBody;
    std::function<void(std::uint64_t)> FProgress;
    std::function<void(Report)> FDone;
    std::shared_ptr<std::atomic<bool>> FCancel;
    std::thread FWorker;
    bool FBusy = false;
};

}  // namespace lyrics
