// Any bytes as folder names. The input is cut into names at "/" and NUL (the
// two bytes no name can hold); its first byte chooses whether the folders
// stand side by side or each inside the one before. They are made in a
// temporary folder, then the namespace and the folder tree must:
// - list exactly the folders made (dot names only when hidden items are
//   asked for, the tree never), a file never;
// - give each its name as the file system holds it, and its path;
// - parse that path back to the same item, and bind it as a folder;
// - order items consistently (CompareIDs agrees with SortKey, is
//   antisymmetric, and is 0 only for the same item), the tree in that order;
// - report the selected node's path and find a node by its id list.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_home.h"
#include "fuzz/fuzz_qt.h"
#include "fuzz/fuzz_support.h"
#include "shell/ShellCtrls.h"
#include "shell/idlist.h"
#include "shell/namespace.h"

namespace {

using fuzz::Printable;
using shell::TItemIdList;

constexpr std::size_t kMaxNames = 8;

struct World {
    std::filesystem::path dir;
    std::shared_ptr<shell::TLinuxNamespace> space;
    std::unique_ptr<TShellTreeView> tree;
    unsigned round = 0;
};

World& TheWorld()
{
    static World* world = [] {
        fuzz::StartQt();
        auto* w = new World;
        fuzz::TempHome home = fuzz::MakeTempHome("fuzz_names");
        w->dir = home.dir;
        w->space = home.space;
        FinalizeShell();
        shell::SetCurrentNamespace(w->space);
        InitializeShell();
        w->tree = std::make_unique<TShellTreeView>(nullptr);
        return w;
    }();
    return *world;
}

int Sign(int v) { return (v > 0) - (v < 0); }

std::string Name(const std::shared_ptr<shell::IShellFolder>& folder, shell::PCItemIDList id, unsigned flags)
{
    std::string name;
    FUZZ_CHECK(folder->GetDisplayNameOf(id, flags, name), "an item has no name");
    return name;
}

TItemIdList Concat(shell::PCItemIDList a, shell::PCItemIDList b) { return TItemIdList(shell::ConcatIdLists(a, b)); }

// One level: the folders made in `path`, checked through the namespace.
void CheckFolder(World& w, const std::string& path, const std::vector<std::string>& made)
{
    auto desktop = w.space->DesktopFolder();
    TItemIdList absolute;
    FUZZ_CHECK(desktop->ParseDisplayName(path, absolute), "the folder " + Printable(path) + " does not parse");
    FUZZ_CHECK(Name(desktop, absolute.get(), shell::SHGDN_FORPARSING) == path,
               "the folder " + Printable(path) + " parses to another place");
    auto folder = desktop->BindToObject(absolute.get());
    FUZZ_CHECK(folder != nullptr, "the folder " + Printable(path) + " cannot be bound");

    std::vector<TItemIdList> all, shown;
    FUZZ_CHECK(folder->EnumObjects(shell::SHCONTF_FOLDERS | shell::SHCONTF_INCLUDEHIDDEN, all), Printable(path));
    FUZZ_CHECK(folder->EnumObjects(shell::SHCONTF_FOLDERS, shown), Printable(path));

    std::multiset<std::string> expectedAll(made.begin(), made.end()), expectedShown;
    for (const std::string& name : made)
        if (name[0] != '.')
            expectedShown.insert(name);
    std::multiset<std::string> listedAll, listedShown;
    for (const TItemIdList& item : all)
        listedAll.insert(Name(folder, item.get(), shell::SHGDN_INFOLDER));
    for (const TItemIdList& item : shown)
        listedShown.insert(Name(folder, item.get(), shell::SHGDN_INFOLDER));
    auto list = [](const std::multiset<std::string>& names) {
        std::string s;
        for (const std::string& n : names)
            s += " \"" + Printable(n) + "\"";
        return s;
    };
    FUZZ_CHECK(listedAll == expectedAll, "in " + Printable(path) + " made" + list(expectedAll) + ", listed" + list(listedAll));
    FUZZ_CHECK(listedShown == expectedShown,
               "in " + Printable(path) + " not hidden:" + list(expectedShown) + ", listed" + list(listedShown));

    for (const TItemIdList& item : all) {
        const std::string name = Name(folder, item.get(), shell::SHGDN_INFOLDER);
        FUZZ_CHECK(Name(folder, item.get(), shell::SHGDN_NORMAL) == name, "normal name of " + Printable(name));
        FUZZ_CHECK(folder->GetAttributesOf(item.get(), shell::SFGAO_FOLDER) == shell::SFGAO_FOLDER,
                   Printable(name) + " is not a folder");
        FUZZ_CHECK(folder->BindToObject(item.get()) != nullptr, Printable(name) + " cannot be bound");
        const TItemIdList full = Concat(absolute.get(), item.get());
        const std::string itemPath = Name(desktop, full.get(), shell::SHGDN_FORPARSING);
        const std::string wanted = (path == "/" ? "" : path) + "/" + name;
        FUZZ_CHECK(itemPath == wanted, "path of " + Printable(name) + " is " + Printable(itemPath));
        TItemIdList parsed;
        FUZZ_CHECK(desktop->ParseDisplayName(itemPath, parsed), Printable(itemPath) + " does not parse");
        FUZZ_CHECK(desktop->CompareIDs(parsed.get(), full.get()) == 0,
                   Printable(itemPath) + " parses to another item");
    }

    // One order for sorting and comparing.
    for (const TItemIdList& a : all)
        for (const TItemIdList& b : all) {
            const int ab = folder->CompareIDs(a.get(), b.get());
            const int ba = folder->CompareIDs(b.get(), a.get());
            const std::string na = Name(folder, a.get(), shell::SHGDN_INFOLDER);
            const std::string nb = Name(folder, b.get(), shell::SHGDN_INFOLDER);
            const std::string pair = "\"" + Printable(na) + "\" and \"" + Printable(nb) + "\"";
            FUZZ_CHECK(Sign(ab) == -Sign(ba), "CompareIDs is not antisymmetric for " + pair);
            FUZZ_CHECK((ab == 0) == (na == nb), "CompareIDs calls different items the same: " + pair);
            const std::string ka = folder->SortKey(a.get()), kb = folder->SortKey(b.get());
            FUZZ_CHECK(Sign(ka.compare(kb)) == Sign(ab), "SortKey and CompareIDs disagree on " + pair);
        }
}

// The folder tree rooted at `path`: the top node, its children as listed and
// in order, their paths, selection and lookup by id list.
void CheckTree(World& w, const std::string& path, const std::vector<std::string>& made)
{
    TShellTreeView& tree = *w.tree;
    Application->Dispatch([&] { tree.SetRoot(path); });
    FUZZ_CHECK(fuzz::Boxes().empty(), "Root " + Printable(path) + " failed: " + fuzz::Boxes().front());
    FUZZ_CHECK(tree.TopCount() == 1, "no top node for " + Printable(path));
    TTreeNode* top = tree.TopItem(0);
    FUZZ_CHECK(top->Data()->PathName() == path, "top node path " + Printable(top->Data()->PathName()));
    tree.Expand(top);

    std::multiset<std::string> expected, texts;
    for (const std::string& name : made)
        if (name[0] != '.')
            expected.insert(name);
    for (int i = 0; i < top->Count(); ++i)
        texts.insert(top->Item(i)->Text());
    FUZZ_CHECK(texts == expected, "the tree lists " + std::to_string(texts.size()) + " folders of " +
                                      std::to_string(expected.size()) + " in " + Printable(path));
    auto parent = top->Data()->ShellFolder();
    for (int i = 0; i < top->Count(); ++i) {
        TTreeNode* node = top->Item(i);
        const std::string wanted = path + "/" + node->Text();
        FUZZ_CHECK(node->Data()->PathName() == wanted, "node path " + Printable(node->Data()->PathName()));
        if (i > 0)
            FUZZ_CHECK(parent->CompareIDs(top->Item(i - 1)->Data()->RelativeID(), node->Data()->RelativeID()) < 0,
                       "tree out of order at \"" + Printable(node->Text()) + "\"");
        FUZZ_CHECK(tree.FindNodeByID(node->Data()->AbsoluteID()) == node, "node not found by its id list");
        tree.SetSelected(node);
        FUZZ_CHECK(tree.SelectedFolderPath() == wanted, "selected path " + Printable(tree.SelectedFolderPath()));
    }
    tree.SetSelected(nullptr);
    FUZZ_CHECK(tree.SelectedFolderPath().empty(), "a path with nothing selected");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TheWorld();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    World& w = TheWorld();
    fuzz::Boxes().clear();
    const bool nested = data[0] & 1;

    // Names: cut at "/" and NUL; "." and ".." name other folders.
    std::vector<std::string> names;
    std::string name;
    for (size_t i = 1; i <= size && names.size() < kMaxNames; ++i) {
        if (i == size || data[i] == '/' || data[i] == '\0') {
            if (!name.empty() && name != "." && name != ".." &&
                std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
            name.clear();
        } else {
            name += static_cast<char>(data[i]);
        }
    }

    // A fresh folder each round, so that the tree's root always changes.
    const std::filesystem::path base = w.dir / ("r" + std::to_string(w.round++));
    std::filesystem::create_directory(base);
    std::ofstream(base / "song.mp3") << "not a folder";
    std::vector<std::string> made;
    std::vector<std::pair<std::string, std::vector<std::string>>> levels{{base.string(), {}}};
    std::string at = base.string();
    for (const std::string& n : names) {
        const std::string path = at + "/" + n;
        if (::mkdir(path.c_str(), 0755) != 0) {
            // Too long for a name or a path: the file system refuses it.
            FUZZ_CHECK(errno == ENAMETOOLONG, "mkdir " + Printable(path) + ": " + std::strerror(errno));
            continue;
        }
        levels.back().second.push_back(n);
        if (nested) {
            at = path;
            levels.emplace_back(path, std::vector<std::string>{});
        }
    }

    for (const auto& [path, children] : levels)
        CheckFolder(w, path, children);
    CheckTree(w, levels.front().first, levels.front().second);
    if (nested && levels.size() > 2)
        CheckTree(w, levels[levels.size() - 2].first, levels[levels.size() - 2].second);

    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
    return 0;
}
