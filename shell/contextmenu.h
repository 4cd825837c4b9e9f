#pragma once
// The right-button menu of a folder: the commands a Linux file manager offers
// for it, by verb ("open", "cut", "copy", "paste", "delete", "rename"), and
// their work. "rename" is left to the tree (label editing). The boxes and the
// launcher go through hooks that tests replace.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shell/idlist.h"
#include "shell/namespace.h"

class QPoint;
class QWidget;

namespace shell {

struct TMenuCommand {
    std::string Verb;
    std::string Caption;
};

struct TShellHooks {
    // Asks a yes/no question; true for yes. Default: a question box.
    std::function<bool(const std::string& text)> Confirm;
    // Shows the menu at a screen point and returns the chosen verb, "" for
    // none. Default: a pop-up menu.
    std::function<std::string(const std::vector<TMenuCommand>& commands, const QPoint& screenPos)> Popup;
    // Opens a folder in the desktop's file manager, started in the working
    // directory given (the folder's parent). Default: xdg-open.
    std::function<bool(const std::string& path, const std::string& workingDirectory)> OpenFolder;
};
TShellHooks& ShellHooks();

class TShellContextMenu {
public:
    // The menu of one item: its parent folder and relative id list.
    TShellContextMenu(std::shared_ptr<IShellFolder> parent, PCItemIDList relative);

    const std::vector<TMenuCommand>& Commands() const { return FCommands; }
    // The item's file system path ("" for a virtual folder).
    const std::string& Path() const { return FPath; }

    // Carries out a command. False when it failed (Error() tells why) or the
    // user declined it (Error() empty).
    bool InvokeCommand(const std::string& verb, QWidget* owner);
    const std::string& Error() const { return FError; }

private:
    bool Open();
    bool PutOnClipboard(bool cut);
    bool Paste();
    bool Delete(QWidget* owner);

    std::vector<TMenuCommand> FCommands;
    std::string FPath;
    std::string FName;
    std::string FError;
};

// Copies (or moves) a file, link or folder into a folder under a name not yet
// taken there ("name", then "name (2)", ...); never replaces anything. False
// with error set when it could not; a folder is never copied into itself.
bool PasteInto(const std::string& source, const std::string& folder, bool move, std::string& error);

}  // namespace shell
