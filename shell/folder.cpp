#include "shell/folder.h"

#include <strings.h>

#include "forms/exception.h"

using namespace shell;

namespace {

struct RootFolderInfo {
    const char* name;
    int csidl;
};

const RootFolderInfo kRootFolders[] = {
    {"rfDesktop", 0},         {"rfMyComputer", 17},     {"rfNetwork", 18},
    {"rfRecycleBin", 10},     {"rfAppData", 26},        {"rfCommonDesktopDirectory", 25},
    {"rfCommonPrograms", 23}, {"rfCommonStartMenu", 22}, {"rfCommonStartup", 24},
    {"rfControlPanel", 3},    {"rfDesktopDirectory", 16}, {"rfFavorites", 6},
    {"rfFonts", 20},          {"rfInternet", 1},        {"rfPersonal", 5},
    {"rfPrinters", 4},        {"rfPrintHood", 27},      {"rfPrograms", 2},
    {"rfRecent", 8},          {"rfSendTo", 9},          {"rfStartMenu", 11},
    {"rfStartup", 7},         {"rfTemplates", 21},
};

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

std::unique_ptr<TShellFolder> gDesktop;

}  // namespace

int SpecialFolderOf(const std::string& value)
{
    for (const RootFolderInfo& info : kRootFolders)
        if (SameIgnoringCase(value, info.name))
            return info.csidl;
    return -1;
}

std::shared_ptr<IShellFolder> BindFolder(const std::shared_ptr<IShellFolder>& parent, PCItemIDList relative,
                                         PCItemIDList absolute)
{
    std::shared_ptr<IShellFolder> folder;
    if (parent)
        folder = parent->BindToObject(relative);
    if (!folder && absolute)
        folder = DesktopShellFolder().ShellFolder()->BindToObject(absolute);
    return folder;
}

const char* RootFolderName(TRootFolder folder) { return kRootFolders[folder].name; }
int RootFolderCsidl(TRootFolder folder) { return kRootFolders[folder].csidl; }

TShellFolder::TShellFolder()
    : FPIDL(TItemIdList::Empty()), FFullPIDL(TItemIdList::Empty()), FShellFolder(GetDesktopFolder())
{
    if (!FShellFolder)
        throw Exception("The desktop folder is not available");
}

TShellFolder::TShellFolder(TShellFolder* AParent, PCItemIDList ID, std::shared_ptr<IShellFolder> SF)
    : FParent(AParent ? AParent : &DesktopShellFolder()), FPIDL(TItemIdList::Copy(ID)),
      FFullPIDL(ConcatIdLists(FParent->AbsoluteID(), ID)), FShellFolder(std::move(SF))
{
}

TShellFolder::~TShellFolder() = default;

std::shared_ptr<IShellFolder> TShellFolder::ParentShellFolder() const
{
    return FParent ? FParent->ShellFolder() : nullptr;
}

std::string TShellFolder::DisplayName(unsigned flags) const
{
    const auto parent = ParentShellFolder();
    if (!parent)
        return "parentfolder = nil";
    std::string name;
    if (!parent->GetDisplayNameOf(RelativeID(), flags, name))
        return {};
    return name;
}

std::uint32_t TShellFolder::Attributes(std::uint32_t asked) const
{
    const auto parent = ParentShellFolder();
    return parent ? parent->GetAttributesOf(RelativeID(), asked) : 0;
}

std::string TShellFolder::PathName() const
{
    std::string name;
    const auto& desktop = DesktopShellFolder().ShellFolder();
    if (!desktop->GetDisplayNameOf(AbsoluteID(), SHGDN_FORPARSING, name))
        return {};
    if (name.rfind("::{", 0) == 0 && !desktop->GetDisplayNameOf(AbsoluteID(), SHGDN_NORMAL, name))
        return {};
    return name;
}

void TShellFolder::ParentMoved()
{
    FFullPIDL = TItemIdList(ConcatIdLists(FParent ? FParent->AbsoluteID() : nullptr, FPIDL.get()));
}

void TShellFolder::SetRelativeID(TItemIdList id, std::shared_ptr<IShellFolder> SF)
{
    FFullPIDL = TItemIdList(ConcatIdLists(FParent ? FParent->AbsoluteID() : nullptr, id.get()));
    FPIDL = std::move(id);
    FShellFolder = std::move(SF);
}

TShellFolder& DesktopShellFolder()
{
    if (!gDesktop)
        gDesktop.reset(new TShellFolder());
    return *gDesktop;
}

void InitializeShell() { DesktopShellFolder(); }
void FinalizeShell() { gDesktop.reset(); }

