#pragma once
// Helpers for the tests against a real PulseAudio server: pactl's view of the
// default sink, and private servers that a test starts, stops, pauses or kills.

#include <string>

#include "mixer/service.h"

namespace pulse_test {

// Runs a shell command and returns what it printed (stdout and stderr).
std::string Run(const std::string& command);

// pactl's view of a server's default sink ("" for the one in PULSE_SERVER),
// or of a sink by its name.
mixer::Levels SinkLevels(const std::string& server = "", const std::string& sink = "@DEFAULT_SINK@");
bool SinkMuted(const std::string& server = "");
void SetSinkLevels(unsigned left, unsigned right, const std::string& server = "");
void SetSinkMuted(bool muted, const std::string& server = "");

// A server of its own in a temporary folder, stopped when the object goes.
class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer();
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    bool Started() const { return FStarted; }
    // The address to connect to ("unix:/tmp/.../native").
    const std::string& Address() const { return FAddress; }
    void Kill();      // SIGKILL, as a crash would
    void Pause();     // SIGSTOP: the server is there but answers nothing
    void Resume();

private:
    int Pid() const;
    std::string FDir;
    std::string FAddress;
    bool FStarted = false;
};

}  // namespace pulse_test
