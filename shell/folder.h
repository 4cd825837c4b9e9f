#pragma once
// The folder records of the namespace: the special folders a tree's root may
// name, the record of one item (its id lists, its own folder, its names), and
// the shared desktop record that every record without a parent hangs from.

#include <cstdint>
#include <memory>
#include <string>

#include "shell/idlist.h"
#include "shell/namespace.h"

// The special folders a Root may name.
enum TRootFolder {
    rfDesktop, rfMyComputer, rfNetwork, rfRecycleBin, rfAppData, rfCommonDesktopDirectory, rfCommonPrograms,
    rfCommonStartMenu, rfCommonStartup, rfControlPanel, rfDesktopDirectory, rfFavorites, rfFonts, rfInternet,
    rfPersonal, rfPrinters, rfPrintHood, rfPrograms, rfRecent, rfSendTo, rfStartMenu, rfStartup, rfTemplates
};
// "rfDesktop", ... and the folder number each stands for.
const char* RootFolderName(TRootFolder folder);
int RootFolderCsidl(TRootFolder folder);

// The folder number a Root value names (a special folder's name, letters'
// case ignored), or -1 for a path.
int SpecialFolderOf(const std::string& value);

// The folder record of an item.
class TShellFolder {
public:
    // Without a parent, the shared desktop record is the parent and the id is
    // taken as relative to the desktop.
    TShellFolder(TShellFolder* AParent, shell::PCItemIDList ID, std::shared_ptr<shell::IShellFolder> SF);
    ~TShellFolder();
    TShellFolder(const TShellFolder&) = delete;
    TShellFolder& operator=(const TShellFolder&) = delete;

    TShellFolder* Parent() const { return FParent; }
    shell::PCItemIDList RelativeID() const { return FPIDL.get(); }
    shell::PCItemIDList AbsoluteID() const { return FFullPIDL.get(); }
    // The item's own folder (nullptr when it could not be bound).
    const std::shared_ptr<shell::IShellFolder>& ShellFolder() const { return FShellFolder; }
    // The folder this item is listed in.
    std::shared_ptr<shell::IShellFolder> ParentShellFolder() const;

    // The item's name in a form (shell::SHGDN_*), as its parent folder gives it.
    std::string DisplayName(unsigned flags) const;
    std::uint32_t Attributes(std::uint32_t asked) const;
    // A file system path, or the display name for places that have none.
    std::string PathName() const;

    // After a rename: the new relative list (the absolute one follows) and
    // the item's folder bound under its new name.
    void SetRelativeID(shell::TItemIdList id, std::shared_ptr<shell::IShellFolder> SF);
    // After the parent's absolute list changed: this one follows it.
    void ParentMoved();

private:
    friend TShellFolder& DesktopShellFolder();
    TShellFolder();  // the desktop record

    TShellFolder* FParent = nullptr;
    shell::TItemIdList FPIDL;
    shell::TItemIdList FFullPIDL;
    std::shared_ptr<shell::IShellFolder> FShellFolder;
};

// The shared desktop record, the parent of every record made without one. Made
// by InitializeShell() at program start (or on first use) and freed at exit.
TShellFolder& DesktopShellFolder();
void InitializeShell();
void FinalizeShell();

// The folder of an item, bound from its parent folder, else from the desktop
// by its absolute id list (nullptr when neither binds it).
std::shared_ptr<shell::IShellFolder> BindFolder(const std::shared_ptr<shell::IShellFolder>& parent,
                                                shell::PCItemIDList relative, shell::PCItemIDList absolute);
