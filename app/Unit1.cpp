#include "app/Unit1.h"

#include <filesystem>
#include <optional>

#include "dock/dock.h"
#include "app/LyricEditor.h"
#include "app/localenumbers.h"
#include "app/lyriclog.h"
#include "app/qivTrackBar.h"
#include "forms/application.h"
#include "forms/buttons.h"
#include "forms/comctrls.h"
#include "forms/exception.h"
#include "forms/stdctrls.h"
#include "forms/timer.h"
#include "lyrics/lrc.h"
#include "lyrics/lrclibpublish.h"
#include "lyrics/lrclibsource.h"
#include "lyrics/source.h"
#include "media/MPlayer.h"
#include "mixer/SSVolumeController.h"
#include "songs/song.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

TfrmMain* frmMain = nullptr;

namespace {

// Keeps a table's controls from redrawing while records are added, for as
// long as it lives.
class ControlsDisabled {
public:
    explicit ControlsDisabled(TdxMemData* table) : FTable(table) { FTable->DisableControls(); }
    ~ControlsDisabled() { FTable->EnableControls(); }
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    TdxMemData* FTable;
};

}  // namespace

TfrmMain::TfrmMain(TComponent* AOwner, TPlayerServices services) : TForm(AOwner), FServices(std::move(services))
{
    // The window is known by its global name before its construction runs, so
    // that its handlers can refer to it while it is being built.
    frmMain = this;
    if (FServices.Namespace)
        shell::SetCurrentNamespace(FServices.Namespace);
    LoadDesign();
    CreateLyricControls();
    CreateOnlineControls();
    DoCreate();
}

TfrmMain::~TfrmMain()
{
    // The editor is a child of the main window, which deletes its children
    // only after this object is gone; the editor's own end clears its pointer here.
    delete LyricEditorWindow;
    if (frmMain == this)
        frmMain = nullptr;
}

// ---- Start and close ----

void TfrmMain::FormCreate(TObject*)
{
    TrackBar1->SetPosition(ssVolumeController1->Volume());
    FPlayer = new TMediaPlayer(this, FServices.Media);
    FPlayer->SetParent(frmMain);
    FPlayer->SetVisible(false);
    FPlayer->OnNotify = [this](TObject* sender) { FPlayerNotify(sender); };
}

void TfrmMain::FormClose(TObject*, TCloseAction& Action)
{
    // Lyric times not saved yet: the editor asks first, and may keep both open.
    if (!CloseLyricEditor()) {
        Action = TCloseAction::caNone;
        return;
    }
    if (FPlaying)
        btnStopClick(nullptr);
    delete FPlayer;
    FPlayer = nullptr;
}

// ---- Song list ----

void TfrmMain::ShellTreeView1Click(TObject*)
{
    if (FPlaying)
        btnStopClick(nullptr);
    const std::string path = ShellTreeView1->SelectedFolderPath();
    LoadFolder(path);
}

void TfrmMain::LoadFolder(const std::string& path)
{
    if (path.empty())
        return;
    dxMemData->Close();
    dxMemData->Open();
    FStartedRecId = 0;
    FTotalSize = 0;
    // The list is empty until the scan is complete: the records it appends
    // are not yet songs to give the device.
    FFileCount = 0;
    {
        // The grid shows the list once it is complete, not after each record.
        const ControlsDisabled disabled(dxMemData);
        // The folder is closed even when adding a record fails.
        const TSearchGuard search(FSearchRec);
        const std::string suffix(songs::kSongSuffix);
        for (int found = FindFirst(path, suffix, FSearchRec); found == 0; found = FindNext(FSearchRec)) {
            // Songs by the search's own look at each entry: any name ending
            // as a song's that is not a folder.
            if (FSearchRec.Name == "." || FSearchRec.Name == ".." || (FSearchRec.Attr & faDirectory))
                continue;
            AddSongRecord(path + "/" + FSearchRec.Name);
            FTotalSize += FSearchRec.Size;
        }
    }
    FFileCount = dxMemData->RecordCount();
    dxMemData->First();
    UpdateListCaption();
}

void TfrmMain::AddSongRecord(const std::string& fullPath)
{
    dxMemData->Append();
    dxMemDataFileName->SetAsString(songs::Title(fullPath));
    dxMemDataFileName2->SetAsString(fullPath);
    dxMemData->Post();
}

void TfrmMain::UpdateListCaption()
{
    const std::string count = FFileCount > 0 ? Format("%d ", FFileCount) : "0 ";
    const double megabytes = FFileCount > 0 ? static_cast<double>(FTotalSize) / 1024 / 1024 : 0.0;
    const std::string size = Trim(FormatNumberField(megabytes, NumberStyle::User()));
    dpnlFileList->SetCaption("檔案列表 ( " + count + "個檔案，" + "大小：" + size + " MB )");
}

std::string TfrmMain::CurrentPath() const { return FPlayer ? FPlayer->FileName() : std::string(); }

void TfrmMain::dxMemDataAfterScroll(TdxMemData*)
{
    if (FFileCount == 0)
        return;
    // The device holds the current song's path; the window keeps no copy.
    FPlayer->SetFileName(dxMemDataFileName2->AsString());
}

// ---- Playback ----

void TfrmMain::ClearLyrics()
{
    memLyric->Clear();
    dxMemData2->Close();
    dxMemData2->Open();
    FLyrics.Clear();
    LyricsLoaded();
}

void TfrmMain::btnPlayClick(TObject*)
{
    if (!FileExists(FPlayer->FileName()))
        return;
    ClearLyrics();
    try {
        LoadLyrics();
    } catch (...) {
        // The song before stops as well, so that the error leaves the window
        // idle: playing through a folder must not step onto this song again.
        if (FPlaying)
            btnStopClick(nullptr);
        throw;
    }
    try {
        FPlayer->Open();
    } catch (...) {
        // The device has closed the song it held: the window goes idle as
        // after a stop, and the error is reported.
        if (FPlaying) {
            pnlTime->SetCaption("00:00");
            qivTrackBar1->SetPosition(0);
            EndPlaying();
        }
        throw;
    }
    FPlayer->Play();
    FPlaying = true;
    // The song opens in the background: its length is 0 until it is ready,
    // and the idle pass shows it then.
    ShowSongLength();
    pnlPlayFile->SetCaption(songs::Title(FPlayer->FileName()));
    FCurrentTitle = pnlPlayFile->Caption();
    // The record the song came from: the current one, when it names the song.
    const bool listed = dxMemData->Active() && !dxMemData->IsEmpty();
    FStartedRecId = listed && dxMemDataFileName2->AsString() == FPlayer->FileName()
                        ? dxMemData->RecIdField()->AsInteger()
                        : 0;
    FPlayingPath = FPlayer->FileName();
    ++FSongStarts;
    Timer1->SetEnabled(true);
    FFirstTick = true;
    AlignTicks(0);
    SyncLyrics();
}

void TfrmMain::ShowSongLength()
{
    const int32_t length = FPlayer->Length();
    // A position pulled into the new range is not where the new song is: its
    // lyrics follow the device.
    FSeekBarRangeOnly = true;
    qivTrackBar1->SetMax(length);
    FSeekBarRangeOnly = false;
    pnlPlayTime->SetCaption(MsToMinSec(length));
}

void TfrmMain::FPlayerNotify(TObject*)
{
    // The song turned out not to open once the device looked inside it: the
    // device has closed it and reports the error; the window goes idle as
    // after a stop.
    if (FPlaying && FPlayer->DeviceID() == 0) {
        pnlTime->SetCaption("00:00");
        qivTrackBar1->SetPosition(0);
        EndPlaying();
    }
}

void TfrmMain::btnStopClick(TObject*)
{
    pnlTime->SetCaption("00:00");
    qivTrackBar1->SetPosition(0);
    FPlayer->Stop();
    FPlayer->Close();
    EndPlaying();
}

void TfrmMain::EndPlaying()
{
    FPlaying = false;
    Timer1->SetEnabled(false);
    StopLyricTimer();
    dxMemData2->Close();
}

void TfrmMain::btnPauseClick(TObject*)
{
    FPlayer->Pause();
    SyncLyrics();
}

// Two songs of a folder may share a title ("a.mp3" and "a.MP3"), so the
// record itself is found while the list still holds it; after another scan,
// the first record with the song's title, if any.
void TfrmMain::LocateStarted()
{
    const std::string& recId = dxMemData->RecIdField()->FieldName();
    if (FStartedRecId != 0 && dxMemData->Locate(recId, std::to_string(FStartedRecId), 0))
        return;
    dxMemData->Locate("FileName", FCurrentTitle, 0);
}

void TfrmMain::btnPriorClick(TObject*)
{
    LocateStarted();
    dxMemData->Prior();
    btnPlayClick(nullptr);
}

void TfrmMain::btnNextClick(TObject*)
{
    LocateStarted();
    dxMemData->Next();
    btnPlayClick(nullptr);
}

void TfrmMain::dxDBGrid1DblClick(TObject*) { btnPlayClick(nullptr); }

void TfrmMain::Timer1Timer(TObject*)
{
    if (!FPlaying)
        return;
    int32_t position = FPlayer->Position();
    const int32_t length = FPlayer->Length();
    if (position > length)
        position = 0;
    // The first tick of a new song shows its time and lyric line even when the
    // seek bar still stands at that very position from the song before.
    const bool unchanged = position == qivTrackBar1->Position();
    qivTrackBar1->SetPosition(position);
    if (FFirstTick && unchanged)
        qivTrackBar1Change(qivTrackBar1);
    FFirstTick = false;
    if (FPlayer->Mode() == mdPlaying)
        AlignTicks(position);
}

// Keeps the 1000 ms ticks just after each whole second of the song, so that
// every second is shown and no lyric line is jumped over.
void TfrmMain::AlignTicks(int32_t position) { Timer1->Realign(NextTickDelay(position)); }

void TfrmMain::qivTrackBar1MouseDown(TObject*, TMouseButton, TShiftState, int, int)
{
    // While the seek bar is dragged, its position says which lyric line shows.
    Timer1->SetEnabled(false);
    StopLyricTimer();
}

void TfrmMain::qivTrackBar1MouseUp(TObject*, TMouseButton, TShiftState, int, int)
{
    if (!FPlaying)
        return;
    PlayFrom(qivTrackBar1->Position());
}

// ---- Lyrics ----

void TfrmMain::LoadLyrics()
{
    // The raw panel's tab tells where the text it shows came from.
    dpnlLyric->SetHint("");
    DropOnlineLyrics();
    // The lyrics of the song the device is about to play: the current
    // record's, or the song it kept when a scan found none.
    const std::string song = FPlayer->FileName();
    if (song.empty())
        return;
    std::optional<lyrics::LyricText> found;
    try {
        found = lyrics::FindLyrics(song, memLyric->Capacity());
    } catch (const lyrics::LyricError& e) {
        // Reported as the memo reports a text it cannot take.
        if (e.kind == lyrics::LyricError::Kind::TooLarge)
            throw Exception("Text exceeds memo capacity");
        throw Exception(Format("Cannot open file \"%s\". %s", e.path.c_str(), e.reason.c_str()));
    }
    if (found)
        LoadLyricText(std::move(found->text), std::move(found->source));
    else
        SearchLyricsOnline(song);
}

void TfrmMain::LoadLyricText(std::string text, std::string source)
{
    memLyric->SetText(text);
    dpnlLyric->SetHint(source);
    FLyrics.Load(std::move(text), std::move(source), static_cast<std::size_t>(dxMemData2Desc->Size()));
    {
        const ControlsDisabled disabled(dxMemData2);
        for (const lyrics::LyricLine& line : FLyrics.Records()) {
            dxMemData2->Append();
            dxMemData2ID->SetAsString(line.ID);
            dxMemData2Desc->SetAsString(std::string(line.Desc));
            dxMemData2->Post();
        }
        dxMemData2->First();
        LyricsLoaded();  // before the grid shows the records
    }
    const int timed = static_cast<int>(FLyrics.TimedCount());
    qCDebug(lcLyrics, "loaded %d timed lines from %s", timed, FLyrics.Source().c_str());
}

void TfrmMain::qivTrackBar1Change(TObject*)
{
    pnlTime->SetCaption(MsToMinSec(qivTrackBar1->Position()));
    if (!FSeekBarRangeOnly)
        ShowLyricAt(qivTrackBar1->Position());
}

// ---- Enabling and the step to the next song ----

void TfrmMain::ApplicationEvents1Idle(TObject*, bool&)
{
    if (!FPlayer)
        return;  // the window has closed; the loop is ending
    if (FPlaying && FPlayer->DeviceID() != 0 && FPlayer->Length() != qivTrackBar1->Max())
        ShowSongLength();  // the song has become ready
    btnPlay->SetEnabled(FFileCount > 0 && !FPlaying);
    btnStop->SetEnabled(FPlaying);
    btnPause->SetEnabled(FPlaying);
    btnPrior->SetEnabled(FFileCount > 0 && dxMemData->RecNo() != 1);
    const int count = dxMemData->RecordCount();
    btnNext->SetEnabled(count != dxMemData->RecNo());
    if (FPlaying && cbxPlay->Checked() && FPlayer->Mode() == mdStopped && btnNext->Enabled())
        btnNextClick(nullptr);
    if (FPlayer->Mode() == mdStopped)
        btnStopClick(nullptr);
    if (FPlayer->Mode() == mdPaused)
        pnlPlayFile->SetCaption("暫停 Paused");
    else
        pnlPlayFile->SetCaption(FCurrentTitle);
}

// ---- The program's argument ----

namespace {

// True when folder is path itself or one of the folders above it.
bool Contains(const std::string& folder, const std::string& path)
{
    if (folder == path)
        return true;
    if (folder.empty() || path.rfind(folder, 0) != 0)
        return false;
    return folder.back() == '/' || path[folder.size()] == '/';
}

}  // namespace

TTreeNode* TfrmMain::SelectFolder(const std::string& path)
{
    // From Computer down: at each level the child nearest to the path (the
    // home folder rather than the root for a folder under home).
    TTreeNode* node = ShellTreeView1->TopItem(0);
    while (node) {
        if (node->Data() && node->Data()->PathName() == path)
            break;
        ShellTreeView1->Expand(node);
        TTreeNode* nearest = nullptr;
        for (bool listedAnew : {false, true}) {
            // Folders made since the node was listed show after a refresh,
            // which puts a new node in the old one's place.
            if (listedAnew) {
                TTreeNode* parent = node->Parent();
                if (!parent)
                    break;
                const int index = node->Index();
                ShellTreeView1->Refresh(node);
                if (index >= parent->Count())
                    break;
                node = parent->Item(index);
                ShellTreeView1->Expand(node);
            }
            std::size_t nearestLength = 0;
            for (int i = 0; i < node->Count(); ++i) {
                TTreeNode* child = node->Item(i);
                const std::string childPath = child->Data() ? child->Data()->PathName() : std::string();
                if (Contains(childPath, path) && childPath.size() >= nearestLength) {
                    nearest = child;
                    nearestLength = childPath.size();
                }
            }
            if (nearest)
                break;
        }
        node = nearest;
    }
    ShellTreeView1->SetSelected(node);
    return node;
}

void TfrmMain::OpenArgument(const std::string& argument)
{
    std::error_code error;
    std::filesystem::path given = std::filesystem::absolute(argument, error).lexically_normal();
    std::string path = given.string();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const bool folder = std::filesystem::is_directory(path, error);
    const bool file = !folder && std::filesystem::is_regular_file(path, error);
    if (!folder && !file)
        throw Exception(Format("%s: no such folder or MP3 file", argument.c_str()));
    // The song list's own rule, so that any song it lists can be given.
    const bool song = file && songs::IsSongFile(path);
    if (file && !song)
        throw Exception(Format("%s: not an MP3 file", argument.c_str()));

    const std::string folderPath = folder ? path : std::filesystem::path(path).parent_path().string();
    if (SelectFolder(folderPath)) {
        ShellTreeView1Click(ShellTreeView1);
    } else {
        // A folder the tree does not show (a hidden one): loaded all the same.
        if (FPlaying)
            btnStopClick(nullptr);
        LoadFolder(folderPath);
    }
    if (folder)
        return;
    for (int row = 0; row < dxMemData->RowCount(); ++row) {
        if (dxMemData->GetAsString(row, dxMemDataFileName2) == path) {
            dxMemData->SetRecNo(row + 1);
            dxDBGrid1DblClick(dxDBGrid1);
            return;
        }
    }
    throw Exception(Format("%s: not found in the song list of its folder", argument.c_str()));
}

// ---- Volume ----

void TfrmMain::TrackBar1Change(TObject*)
{
    ssVolumeController1->SetVolume(TrackBar1->Position());
    TrackBar1->SetHint("音量：" + std::to_string(TrackBar1->Position()));
}

void TfrmMain::tbtnMuteClick(TObject*)
{
    if (ssVolumeController1->Mute()) {
        ssVolumeController1->SetMute(false);
        tbtnMute->SetImageIndex(41);
    } else {
        ssVolumeController1->SetMute(true);
        tbtnMute->SetImageIndex(42);
    }
}
