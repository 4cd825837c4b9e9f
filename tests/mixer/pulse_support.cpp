#include "pulse_support.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <stdexcept>

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pulse_test {

namespace {

std::string Pactl(const std::string& args, const std::string& server)
{
    const std::string prefix = server.empty() ? "" : "PULSE_SERVER='" + server + "' ";
    return Run(prefix + "pactl " + args + " 2>&1");
}

unsigned ChannelValue(const std::string& output, const char* channel)
{
    std::smatch match;
    const std::regex pattern(std::string(channel) + ": ([0-9]+) /");
    if (!std::regex_search(output, match, pattern))
        throw std::runtime_error("pactl did not show " + std::string(channel) + ": " + output);
    return static_cast<unsigned>(std::stoul(match[1]));
}

bool Alive(int pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t end = text.rfind(") ");
    return end != std::string::npos && end + 2 < text.size() && text[end + 2] != 'Z';
}

}  // namespace

std::string Run(const std::string& command)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run " + command);
    std::array<char, 512> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    pclose(pipe);
    return output;
}

mixer::Levels SinkLevels(const std::string& server, const std::string& sink)
{
    const std::string output = Pactl("get-sink-volume " + sink, server);
    return {ChannelValue(output, "front-left"), ChannelValue(output, "front-right")};
}

bool SinkMuted(const std::string& server)
{
    const std::string output = Pactl("get-sink-mute @DEFAULT_SINK@", server);
    if (output.find("Mute: yes") != std::string::npos)
        return true;
    if (output.find("Mute: no") != std::string::npos)
        return false;
    throw std::runtime_error("pactl did not show the mute switch: " + output);
}

void SetSinkLevels(unsigned left, unsigned right, const std::string& server)
{
    Pactl("set-sink-volume @DEFAULT_SINK@ " + std::to_string(left) + " " + std::to_string(right), server);
}

void SetSinkMuted(bool muted, const std::string& server)
{
    Pactl(std::string("set-sink-mute @DEFAULT_SINK@ ") + (muted ? "1" : "0"), server);
}

PrivateServer::PrivateServer()
{
    char pattern[] = "/tmp/mixer-pulse-XXXXXX";
    if (!mkdtemp(pattern))
        return;
    FDir = pattern;
    FAddress = "unix:" + FDir + "/native";
    const std::string command = std::string("'") + MIXER_PULSE_SCRIPT + "' start '" + FDir + "' 20 2>&1";
    const std::string output = Run(command + "; echo rc=$?");
    FStarted = output.find("rc=0") != std::string::npos;
    if (!FStarted)
        fprintf(stderr, "%s\n", output.c_str());
}

PrivateServer::~PrivateServer()
{
    if (FDir.empty())
        return;
    Resume();
    Run(std::string("'") + MIXER_PULSE_SCRIPT + "' stop '" + FDir + "' 2>&1");
}

int PrivateServer::Pid() const
{
    std::ifstream file(FDir + "/pid");
    int pid = 0;
    file >> pid;
    return pid;
}

void PrivateServer::Kill()
{
    const int pid = Pid();
    if (pid <= 0)
        return;
    kill(pid, SIGKILL);
    // Wait until it is gone (it is not our child, so poll; a zombie counts as gone).
    for (int i = 0; i < 100 && Alive(pid); ++i)
        usleep(20000);
}

void PrivateServer::Pause()
{
    if (const int pid = Pid(); pid > 0)
        kill(pid, SIGSTOP);
}

void PrivateServer::Resume()
{
    if (const int pid = Pid(); pid > 0)
        kill(pid, SIGCONT);
}

}  // namespace pulse_test
