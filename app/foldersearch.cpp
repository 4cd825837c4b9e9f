#include "app/foldersearch.h"

#include <cerrno>
#include <sys/stat.h>

namespace {

// Reads entries up to the next matching one and fills rec. Sizes and kinds
// are looked up relative to the open folder, not by the whole path.
int Fill(TSearchRec& rec)
{
    DIR* dir = rec.FindHandle.get();
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (!EndsWithNoCase(name, rec.Suffix))
            continue;
        rec.Name = name;
        rec.Attr = 0;
        rec.Size = 0;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK || entry->d_type == DT_REG) {
            // Links count as what they point to; the size of a file is asked for anyway.
            struct stat st;
            if (fstatat(dirfd(dir), name, &st, 0) == 0) {
                folder = S_ISDIR(st.st_mode);
                if (!folder)
                    rec.Size = static_cast<int64_t>(st.st_size);
            }
        }
        if (folder)
            rec.Attr |= faDirectory;
        if (name[0] == '.')
            rec.Attr |= faHidden;
        return 0;
    }
    return errno ? errno : ENOENT;
}

}  // namespace

int FindFirst(const std::string& folder, const std::string& suffix, TSearchRec& rec)
{
    rec.Suffix = suffix;
    rec.FindHandle.reset();
    // A place without a file-system path (the tree's Computer) names no folder.
    if (folder.empty() || folder.front() != '/')
        return ENOENT;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return errno ? errno : ENOENT;
    rec.FindHandle = std::shared_ptr<DIR>(dir, closedir);
    return Fill(rec);
}

int FindNext(TSearchRec& rec)
{
    if (!rec.FindHandle)
        return ENOENT;
    return Fill(rec);
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

