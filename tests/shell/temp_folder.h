#pragma once
// A temporary folder for a test, removed with everything in it afterwards.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/shell-test-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        FPath = pattern;
    }
    ~TempFolder()
    {
        std::error_code error;
        // Folders a test made unreadable must be readable again to go.
        for (auto it = std::filesystem::recursive_directory_iterator(
                 FPath, std::filesystem::directory_options::skip_permission_denied, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error))
            if (it->is_directory(error) && !it->is_symlink(error))
                ::chmod(it->path().c_str(), 0755);
        std::filesystem::remove_all(FPath, error);
    }
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + "/" + name; }

    // Makes a folder (and the folders above it) below the temporary folder.
    std::string Folder(const std::string& relative) const
    {
        const std::string path = FPath + "/" + relative;
        std::filesystem::create_directories(path);
        return path;
    }
    std::string File(const std::string& relative, const std::string& content = "") const
    {
        const std::string path = FPath + "/" + relative;
        std::ofstream(path) << content;
        return path;
    }

private:
    std::string FPath;
};

// Sets an environment variable for a test and puts the old value back after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : FName(name)
    {
        const char* old = std::getenv(name);
        FHad = old != nullptr;
        FOld = old ? old : "";
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (FHad)
            setenv(FName.c_str(), FOld.c_str(), 1);
        else
            unsetenv(FName.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string FName, FOld;
    bool FHad = false;
};
