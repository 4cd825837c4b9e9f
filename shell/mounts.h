#pragma once
// The mount table: which mounted volumes are real file systems, as the folder
// tree lists them under Computer.

#include <string>
#include <vector>

namespace shell {

// One line of a /proc/self/mounts style file, its fields unescaped.
struct TMountEntry {
    std::string Device, Path, Type, Options;
};
// The entries of such a file, in file order.
std::vector<TMountEntry> ReadMountTable(const std::string& file);
// False for pseudo and system file systems, and for mounts a file manager hides.
bool IsRealFileSystem(const TMountEntry& entry);

// True when path is folder or lies below it.
bool IsPathUnder(const std::string& path, const std::string& folder);

}  // namespace shell
