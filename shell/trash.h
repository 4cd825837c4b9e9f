#pragma once
// Moving files and folders to the desktop's trash, following the freedesktop.org
// trash rules: the home trash ($XDG_DATA_HOME/Trash) for items on
// the home trash's file system, else the trash at the top of the item's own file
// system ($topdir/.Trash/$uid or $topdir/.Trash-$uid). Nothing is copied across
// file systems: an item is only ever renamed into a trash. Paths are byte
// strings and are kept exactly.

#include <string>

namespace shell {

// Moves path (a file, a folder or a link, which is moved itself) to the trash.
// False with a message in error when it could not; nothing is changed then.
bool MoveToTrash(const std::string& path, std::string& error);

// The home trash folder ($XDG_DATA_HOME/Trash, else ~/.local/share/Trash).
std::string HomeTrashFolder();

// Percent-encodes a path for a .trashinfo file or a file URL: every byte but
// letters, digits, "-._~" and "/".
std::string PercentEncodePath(const std::string& path);

}  // namespace shell
