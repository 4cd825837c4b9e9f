#include "shell/contextmenu.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "forms/application.h"
#include "forms/exception.h"
#include "shell/trash.h"

namespace shell {

namespace {

const char* const kGnomeCopied = "x-special/gnome-copied-files";
const char* const kKdeCut = "application/x-kde-cutselection";

QUrl FileUrl(const std::string& path)
{
    return QUrl::fromEncoded(QByteArray::fromStdString("file://" + PercentEncodePath(path)));
}

// The exact bytes of a local file URL's path ("" for other URLs).
std::string UrlPath(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() || folder.back() != '/' ? folder + "/" + name : folder + name;
}

// Starts the desktop's opener on a folder, in the working directory given;
// where xdg-open is missing, Qt's own way (in our working directory).
bool OpenInFileManager(const std::string& path, const std::string& workingDirectory)
{
    const QString url = QString::fromLatin1(FileUrl(path).toEncoded());
    if (QProcess::startDetached("xdg-open", {url}, QString::fromStdString(workingDirectory)))
        return true;
    return QDesktopServices::openUrl(FileUrl(path));
}

}  // namespace

TShellHooks& ShellHooks()
{
    static TShellHooks hooks;
    return hooks;
}

TShellContextMenu::TShellContextMenu(std::shared_ptr<IShellFolder> parent, PCItemIDList relative)
{
    if (!parent || !relative)
        return;
    std::string parsing;
    if (!parent->GetDisplayNameOf(relative, SHGDN_FORPARSING, parsing) || parsing.empty() || parsing[0] != '/')
        return;  // a virtual folder: nothing to do with it here
    FPath = parsing;
    parent->GetDisplayNameOf(relative, SHGDN_INFOLDER, FName);
    const std::uint32_t attributes = parent->GetAttributesOf(relative, SFGAO_FOLDER | SFGAO_CANRENAME);
    const bool folder = attributes & SFGAO_FOLDER;
    const bool movable = attributes & SFGAO_CANRENAME;
    FCommands.push_back({"open", "開啟"});
    if (movable)
        FCommands.push_back({"cut", "剪下"});
    FCommands.push_back({"copy", "複製"});
    if (folder)
        FCommands.push_back({"paste", "貼上"});
    if (movable) {
        FCommands.push_back({"delete", "移至垃圾桶"});
        FCommands.push_back({"rename", "重新命名"});
    }
}

bool TShellContextMenu::InvokeCommand(const std::string& verb, QWidget* owner)
{
    FError.clear();
    if (FPath.empty())
        return false;
    if (verb == "open")
        return Open();
    if (verb == "cut" || verb == "copy")
        return PutOnClipboard(verb == "cut");
    if (verb == "paste")
        return Paste();
    if (verb == "delete")
        return Delete(owner);
    return false;
}

bool TShellContextMenu::Open()
{
    // The file manager starts in the folder's parent folder; ours stays where
    // it is (other threads resolve paths against it meanwhile).
    const std::string parent = FPath.substr(0, FPath.find_last_of('/') + 1);
    const bool opened =
        ShellHooks().OpenFolder ? ShellHooks().OpenFolder(FPath, parent) : OpenInFileManager(FPath, parent);
    if (!opened)
        FError = Format("無法開啟「%s」", FPath.c_str());
    return opened;
}

bool TShellContextMenu::PutOnClipboard(bool cut)
{
    auto* data = new QMimeData;
    data->setUrls({FileUrl(FPath)});
    data->setData(kGnomeCopied, QByteArray(cut ? "cut\n" : "copy\n") + FileUrl(FPath).toEncoded());
    data->setData(kKdeCut, cut ? "1" : "0");
    QApplication::clipboard()->setMimeData(data);
    return true;
}

bool TShellContextMenu::Paste()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return false;
    bool move = false;
    QList<QUrl> urls;
    if (data->hasFormat(kGnomeCopied)) {
        const QList<QByteArray> lines = data->data(kGnomeCopied).split('\n');
        move = !lines.isEmpty() && lines.front().trimmed() == "cut";
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (!lines[i].trimmed().isEmpty())
                urls.push_back(QUrl::fromEncoded(lines[i].trimmed()));
    } else {
        urls = data->urls();
        move = data->hasFormat(kKdeCut) && data->data(kKdeCut).startsWith('1');
    }
    if (urls.isEmpty())
        return false;
    for (const QUrl& url : urls) {
        const std::string source = UrlPath(url);
        if (source.empty())
            continue;
        std::string error;
        if (!PasteInto(source, FPath, move, error)) {
            FError = Format("無法貼上「%s」：%s", source.c_str(), error.c_str());
            return false;
        }
    }
    // What was cut now lives here; it cannot be pasted a second time.
    if (move)
        QApplication::clipboard()->clear();
    return true;
}

bool TShellContextMenu::Delete(QWidget* owner)
{
    const std::string question = Format("確定要將「%s」移至垃圾桶嗎？", FName.c_str());
    bool yes = false;
    if (ShellHooks().Confirm) {
        yes = ShellHooks().Confirm(question);
    } else {
        const std::string title = Application ? Application->Title() : std::string();
        yes = QMessageBox::question(owner, QString::fromStdString(title), QString::fromStdString(question)) ==
              QMessageBox::Yes;
    }
    if (!yes)
        return false;
    std::string error;
    if (!MoveToTrash(FPath, error)) {
        FError = Format("無法將「%s」移至垃圾桶：%s", FName.c_str(), error.c_str());
        return false;
    }
    return true;
}

bool PasteInto(const std::string& source, const std::string& folder, bool move, std::string& error)
{
    namespace fs = std::filesystem;
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    const std::string name = source.substr(source.find_last_of('/') + 1);
    std::error_code code;
    const fs::path canonicalSource = fs::weakly_canonical(source, code);
    const fs::path canonicalFolder = fs::weakly_canonical(folder, code);
    if (S_ISDIR(st.st_mode)) {
        // A folder cannot go inside itself or one of its own folders.
        const std::string from = canonicalSource.string() + "/";
        const std::string into = canonicalFolder.string() + "/";
        if (into.compare(0, from.size(), from) == 0) {
            error = "無法放進它自己裡面";
            return false;
        }
    }
    // Cut and pasted where it already is: nothing to do.
    if (move && fs::path(source).parent_path() == fs::path(folder).lexically_normal())
        return true;
    std::string target = Join(folder, name);
    for (int n = 2; Exists(target); ++n)
        target = Join(folder, name + " (" + std::to_string(n) + ")");
    if (move) {
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EXDEV) {
            error = std::strerror(errno);
            return false;
        }
    }
    if (S_ISLNK(st.st_mode))
        fs::copy_symlink(source, target, code);
    else if (S_ISDIR(st.st_mode))
        fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::copy_symlinks, code);
    else
        fs::copy_file(source, target, fs::copy_options::none, code);
    if (code) {
        error = code.message();
        return false;
    }
    // A move across file systems: the copy is complete, so the original goes.
    if (move)
        fs::remove_all(source, code);
    if (code) {
        error = code.message();
        return false;
    }
    return true;
}

}  // namespace shell
