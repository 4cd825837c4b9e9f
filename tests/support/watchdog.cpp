#include "tests/support/watchdog.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// What the listener tells the watching thread; shared, as the thread outlives
// the listener at the program's exit.
struct Watched {
    explicit Watched(int seconds)
        : Limit(seconds)
    {
    }
    const std::chrono::seconds Limit;
    std::mutex Lock;
    std::string Name;
    Clock::time_point Started;
    bool Running = false;
};

[[noreturn]] void Bite(const std::string& name, std::chrono::seconds limit);

void Watch(std::shared_ptr<Watched> watched)
{
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        std::lock_guard guard(watched->Lock);
        if (watched->Running && Clock::now() - watched->Started >= watched->Limit)
            Bite(watched->Name, watched->Limit);
    }
}

class Watchdog : public ::testing::EmptyTestEventListener {
public:
    explicit Watchdog(int seconds)
        : FWatched(std::make_shared<Watched>(seconds))
    {
        std::thread(Watch, FWatched).detach();
    }

    void OnTestStart(const ::testing::TestInfo& info) override
    {
        std::lock_guard guard(FWatched->Lock);
        FWatched->Name = std::string(info.test_suite_name()) + "." + info.name();
        FWatched->Started = Clock::now();
        FWatched->Running = true;
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        std::lock_guard guard(FWatched->Lock);
        FWatched->Running = false;
    }

private:
    std::shared_ptr<Watched> FWatched;
};

void Bite(const std::string& name, std::chrono::seconds limit)
{
    std::fprintf(stderr,
        "\n[ watchdog ] %s still running after %lld s; the stacks of "
        "its threads:\n",
        name.c_str(), static_cast<long long>(limit.count()));
    std::fflush(stdout);
    std::fflush(stderr);
    const std::string pid = std::to_string(::getpid());
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(STDERR_FILENO, STDOUT_FILENO);
        ::execlp("gdb", "gdb", "-p", pid.c_str(), "-batch", "-nx", "-ex", "set pagination off", "-ex",
            "thread apply all bt", static_cast<char*>(nullptr));
        static const char kNoGdb[] = "[ watchdog ] gdb is not installed: no stacks\n";
        (void)!::write(STDERR_FILENO, kNoGdb, sizeof kNoGdb - 1);
        ::_exit(127);
    }
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
    }
    std::abort();
}

} // namespace

void InstallTestWatchdog(::testing::TestEventListeners& listeners, int defaultSeconds)
{
    int seconds = defaultSeconds;
    if (const char* text = std::getenv("PLAYER_TEST_WATCHDOG"))
        seconds = std::atoi(text);
    if (seconds > 0)
        listeners.Append(new Watchdog(seconds));
}
