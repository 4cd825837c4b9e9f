#include "shell/mounts.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace shell {

namespace {

// Mount points are written with octal escapes for space, tab, newline and "\".
std::string UnescapeMountField(const std::string& field)
{
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.size() == 3 && std::all_of(digits.begin(), digits.end(),
                                                  [](char c) { return c >= '0' && c <= '7'; })) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

bool IsPathUnder(const std::string& path, const std::string& folder)
{
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == '/');
}

std::vector<TMountEntry> ReadMountTable(const std::string& file)
{
    std::vector<TMountEntry> entries;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        TMountEntry entry;
        if (!(fields >> entry.Device >> entry.Path >> entry.Type >> entry.Options))
            continue;
        entry.Device = UnescapeMountField(entry.Device);
        entry.Path = UnescapeMountField(entry.Path);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool IsRealFileSystem(const TMountEntry& entry)
{
    static const std::set<std::string> pseudo = {
        "proc",     "sysfs",     "cgroup",     "cgroup2",     "tmpfs",      "devtmpfs",   "devpts",
        "securityfs", "pstore",  "debugfs",    "tracefs",     "configfs",   "fusectl",    "mqueue",
        "hugetlbfs", "bpf",      "autofs",     "binfmt_misc", "efivarfs",   "rpc_pipefs", "nsfs",
        "ramfs",    "squashfs",  "overlay",    "selinuxfs",   "nfsd",       "fuse.gvfsd-fuse",
        "fuse.portal", "fuse.lxcfs", "cpuset",  "none"};
    if (entry.Path.empty() || entry.Path[0] != '/' || pseudo.count(entry.Type))
        return false;
    if (entry.Options.find("x-gvfs-hide") != std::string::npos)
        return false;
    for (const char* system : {"/proc", "/sys", "/dev"})
        if (IsPathUnder(entry.Path, system))
            return false;
    if (IsPathUnder(entry.Path, "/run") && !IsPathUnder(entry.Path, "/run/media"))
        return false;
    return true;
}

}  // namespace shell
