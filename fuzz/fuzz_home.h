#pragma once
// A temporary folder for a fuzz run, removed when the run ends, and a
// namespace whose home it is, with no mounted volumes and no shares.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "shell/namespace.h"

namespace fuzz {

struct TempHome {
    std::filesystem::path dir;
    std::shared_ptr<shell::TLinuxNamespace> space;
};

inline TempHome MakeTempHome(const std::string& name)
{
    static std::vector<std::filesystem::path> made;
    std::string pattern = (std::filesystem::temp_directory_path() / (name + "_XXXXXX")).string();
    FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr, "cannot make a temporary folder " + pattern);
    TempHome home{pattern, nullptr};
    if (made.empty())
        std::atexit([] {
            std::error_code ignored;
            for (const auto& dir : made)
                std::filesystem::remove_all(dir, ignored);
        });
    made.push_back(home.dir);
    std::ofstream(home.dir / "mounts");
    shell::TNamespaceOptions options;
    options.MountsFile = (home.dir / "mounts").string();
    options.Home = home.dir.string();
    options.UserSharesDir = (home.dir / "shares").string();
    home.space = std::make_shared<shell::TLinuxNamespace>(options);
    return home;
}

}  // namespace fuzz
