#pragma once
// The player's one window: the song list, the playback commands, the lyrics,
// the enabling of the commands with the step to the next song, and the volume.
// Its components are built from the design description (Unit1Design.cpp); its
// services (media, mixer, folder namespace) come from a TPlayerServices, so
// that tests can run the window on fakes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/foldersearch.h"
#include "app/timetext.h"
#include "forms/controls.h"
#include "lyrics/offsets.h"
#include "lyrics/presenter.h"
#include "forms/forms.h"
#include "shell/ShellCtrls.h"

class QAction;
class QWidget;
class TApplicationEvents;
class TCheckBox;
class TDataSource;
class TImageList;
class TMediaPlayer;
class TLyricEditor;
class TMemo;
class TPanel;
class TSpeedButton;
class TStringField;
class TTimer;
class TToolBar;
class TToolButton;
class TTrackBar;
class TdxDBGrid;
class TdxMemData;
class TqivTrackBar;
class TssVolumeController;
class TCoolBar;
class TdxDockingManager;
class TdxDockPanel;
class TdxDockSite;
class TdxLayoutDockSite;
class TdxTabContainerDockSite;
class TdxVertContainerDockSite;

namespace lyrics { class LrclibClient; class LrclibSource; class LrclibPublisher; class LyricEditor; }
namespace media { class MediaService; }
namespace mixer { class MixerService; }
namespace shell { class TLinuxNamespace; }

// What the window plays on, mixes with and browses.
struct TPlayerServices {
    std::shared_ptr<media::MediaService> Media;
    std::shared_ptr<mixer::MixerService> Mixer;
    std::shared_ptr<shell::TLinuxNamespace> Namespace;

    // Null: the process's namespace (shell::CurrentNamespace()) stays.
    // The running system's: GStreamer, the default mixer, the file system.
    static TPlayerServices System();
    // Readies the system's media backend (for a thread of its own).
    static void WarmUpMedia();
};

class TfrmMain : public TForm {
public:
    TfrmMain(TComponent* AOwner, TPlayerServices services);
    ~TfrmMain() override;

    // Components of the design description.
    TdxMemData* dxMemData = nullptr;
    TStringField* dxMemDataFileName = nullptr;
    TStringField* dxMemDataFileLeng = nullptr;
    TStringField* dxMemDataFileName2 = nullptr;
    TdxMemData* dxMemData2 = nullptr;
    TStringField* dxMemData2ID = nullptr;
    TStringField* dxMemData2Desc = nullptr;
    TDataSource* DataSource1 = nullptr;
    TDataSource* DataSource2 = nullptr;
    TTimer* Timer1 = nullptr;
    TssVolumeController* ssVolumeController1 = nullptr;
    TApplicationEvents* ApplicationEvents1 = nullptr;
    TImageList* ImageList1 = nullptr;
    TImageList* ilDockIcons = nullptr;

    TdxDockingManager* dxDockingManager1 = nullptr;
    TdxDockSite* dsHost = nullptr;
    TdxLayoutDockSite* dxLayoutDockSite1 = nullptr;
    TdxLayoutDockSite* dxLayoutDockSite5 = nullptr;
    TdxLayoutDockSite* dxLayoutDockSite2 = nullptr;
    TdxVertContainerDockSite* dxVertContainerDockSite2 = nullptr;
    TdxTabContainerDockSite* dxTabContainerDockSite2 = nullptr;
    TdxDockPanel* dxDockPanel1 = nullptr;
    TdxDockPanel* dpnlFileList = nullptr;
    TdxDockPanel* dpnlDynamicLyric = nullptr;
    TdxDockPanel* dpnlLyric = nullptr;
    TdxDockPanel* dpnlExplorer = nullptr;
    TCoolBar* CoolBar2 = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TToolBar* tbMedia = nullptr;
    TSpeedButton* btnPlay = nullptr;
    TSpeedButton* btnPause = nullptr;
    TSpeedButton* btnPrior = nullptr;
    TSpeedButton* btnNext = nullptr;
    TSpeedButton* btnStop = nullptr;
    TqivTrackBar* qivTrackBar1 = nullptr;
    TPanel* Panel8 = nullptr;
    TPanel* pnlTime = nullptr;
    TCheckBox* cbxPlay = nullptr;
    TToolButton* tbtnMute = nullptr;
    TTrackBar* TrackBar1 = nullptr;
    TPanel* Panel12 = nullptr;
    TPanel* Panel13 = nullptr;
    TPanel* pnlPlayFile = nullptr;
    TPanel* pnlPlayTime = nullptr;
    TPanel* Panel14 = nullptr;
    TPanel* Panel15 = nullptr;
    TPanel* pnlCurrentText = nullptr;
    TdxDBGrid* dxDBGrid1 = nullptr;
    TdxDBGrid* dxDBGrid2 = nullptr;
    TMemo* memLyric = nullptr;
    TShellTreeView* ShellTreeView1 = nullptr;

    // Event handlers.
    void FormCreate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void ShellTreeView1Click(TObject* Sender);
    void dxMemDataAfterScroll(TdxMemData* DataSet);
    void btnPlayClick(TObject* Sender);
    void btnStopClick(TObject* Sender);
    void btnPauseClick(TObject* Sender);
    void btnPriorClick(TObject* Sender);
    void btnNextClick(TObject* Sender);
    void dxDBGrid1DblClick(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void qivTrackBar1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void qivTrackBar1MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void qivTrackBar1Change(TObject* Sender);
    void ApplicationEvents1Idle(TObject* Sender, bool& Done);
    void TrackBar1Change(TObject* Sender);
    void tbtnMuteClick(TObject* Sender);

    // Lyrics at their own time (Unit1Lyrics.cpp). tmrLyric fires once, at the
    // next change of the current lyric line or word; tmrLyricNote ends the
    // strip's notice of a run-time offset.
    TTimer* tmrLyric = nullptr;
    TTimer* tmrLyricNote = nullptr;
    // The run-time offset: window-wide keys, and the context menus of the
    // lyric grid and the strip.
    QAction* actLyricsEarlier = nullptr;
    QAction* actLyricsLater = nullptr;
    QAction* actLyricsOnTime = nullptr;
    void tmrLyricTimer(TObject* Sender);
    void tmrLyricNoteTimer(TObject* Sender);
    // Plays from the time of the lyric line double-clicked.
    void dxDBGrid2DblClick(TObject* Sender);
    // Moves the song's lyrics ms earlier (negative: later), says so in the
    // strip for a moment, and keeps the song's offset for its next play.
    void ShiftLyrics(int32_t ms);
    void ResetLyricShift();
    // The song's kept offset (for an .lrc file, its [offset:]).
    int32_t LyricShift() const { return FSongOffset; }
    // The lyric timing editor and the latency offset (Unit1Editor.cpp): the
    // lyric grid's context menu opens them.
    QAction* actEditLyrics = nullptr;
    QAction* actLyricsLatency = nullptr;
    TLyricEditor* LyricEditorWindow = nullptr;
    void OpenLyricEditor();
    // Closes the editor, which asks about unsaved changes; false when it stays.
    bool CloseLyricEditor();
    // Saves the editor's lines as the .lrc of the song they were opened for
    // (whose lyrics came from source) and, while it plays, shows them at once;
    // false when the user chose not to.
    bool SaveEditedLyrics(const lyrics::LyricEditor& edited, const std::string& song, const std::string& source);
    // The offset every song gets for the output's latency, kept in the settings.
    void SetLatencyOffset(int32_t ms);
    int32_t LatencyOffset() const { return FLatencyOffset; }
    // The strip's notice for a run-time offset.
    static std::string LyricShiftNotice(int32_t ms);
    static constexpr int LyricStepMs = 100;
    static constexpr int LyricNoticeMs = 1500;
    // Between the texts of lines current together in the strip.
    static constexpr const char* LyricSeparator = lyrics::LyricPresenter::Separator;

    // Lyrics from LRCLIB (Unit1Online.cpp): looked up when a song has none of
    // its own, kept in the cache; the lyric grid's context menu turns the
    // lookup on and off, saves what was found beside the song, and publishes
    // the lyrics shown.
    QAction* actLyricsOnline = nullptr;
    QAction* actLyricsSaveLrc = nullptr;
    QAction* actLyricsPublish = nullptr;
    bool OnlineSearch() const;
    void SetOnlineSearch(bool on);
    void SaveLyricsAsLrc();
    void PublishLyrics();
    // Asked before a lyric file beside the song is replaced; true replaces.
    std::function<bool(const std::string& path)> OnConfirmReplace;
    lyrics::LrclibClient& LyricService() const { return *FLrclib; }
    // The lyrics last had from LRCLIB for the song that plays ("" if none).
    const std::string& FetchedLyrics() const { return FFetched; }
    // Counts the lyric texts had from LRCLIB and shown.
    int OnlineLoads() const { return FOnlineLoads; }

    // The program's argument: a folder is selected in the folder tree (the
    // way to it expanded) and loaded as a click does; an MP3 file's folder is
    // loaded so, the song made current and played as a double click does.
    // Anything else fails with a message that names the path.
    void OpenArgument(const std::string& path);
    // Selects the node of a folder path in the tree, expanding the way to it;
    // nullptr (and nothing selected) when the tree does not reach it.
    TTreeNode* SelectFolder(const std::string& path);

    // The window's routines.
    void LoadFolder(const std::string& path);
    void AddSongRecord(const std::string& fullPath);
    void UpdateListCaption();
    // No lyrics: the raw text, the lyric table and the presenter emptied.
    void ClearLyrics();
    // Reads the lyrics of the device's song (its lyric files, its tag) and
    // shows them.
    void LoadLyrics();
    // Shows a lyric text from source, read from a file or had elsewhere: the
    // raw panel, the lyric table, the current line.
    void LoadLyricText(std::string text, std::string source);
    static std::string StripFileExt(const std::string& s) { return ::StripFileExt(s); }
    static std::string MsToMinSec(int32_t ms) { return ::MsToMinSec(ms); }

    // Read-only views of the window's state, for the program's tests.
    int64_t TotalSize() const { return FTotalSize; }
    int32_t FileCount() const { return FFileCount; }
    bool Playing() const { return FPlaying; }
    // The current song's path, as the device was given it.
    std::string CurrentPath() const;
    const std::string& CurrentTitle() const { return FCurrentTitle; }
    // The song last started and how many starts there have been.
    const std::string& PlayingPath() const { return FPlayingPath; }
    int SongStarts() const { return FSongStarts; }
    TMediaPlayer* Player() const { return FPlayer; }
    const TPlayerServices& Services() const { return FServices; }
    // The time of the lyric record in table row `row` (0-based), after the
    // file's offset; nullopt for a record without one.
    std::optional<int32_t> LyricRecordTime(int row) const;

private:
    void LoadDesign();
    void EndPlaying();
    // The seek bar's range and the time display of the song's length.
    void ShowSongLength();
    // The device's notifications: an open that failed late stops the window.
    void FPlayerNotify(TObject* Sender);
    // Makes the record of the song last started current, where the steps to
    // the song before and after it begin.
    void LocateStarted();
    void AlignTicks(int32_t position);

    // Lyric timing (Unit1Lyrics.cpp).
    void CreateLyricControls();
    // The presenter's records are all in the lyric table (none after a Clear).
    void LyricsLoaded();
    // Shows the lines current at a position (of the device, or of the seek bar
    // while it is moved by hand).
    void ShowLyricAt(int32_t position);
    void ShowLyricStrip(int32_t position);
    // Reads the device, shows the current lines and arms tmrLyric for the next
    // change while the song plays.
    void SyncLyrics();
    void StopLyricTimer();
    // Plays from ms, as a release of the seek bar there does.
    void PlayFrom(int32_t ms);
    // The kept offsets of the song whose lyrics were just loaded.
    void RestoreLyricOffset();
    void ApplyLyricShift();
    void CreateEditorControls();
    void ReloadLyrics();

    // LRCLIB (Unit1Online.cpp).
    void CreateOnlineControls();
    // Forgets the lookup under way and the lyrics had for the song before.
    void DropOnlineLyrics();
    void SearchLyricsOnline(const std::string& songPath);
    void ShowOnlineLyrics(int kind, const std::string& text, int failure, int httpStatus);
    void ShowOnlineNotice(const std::string& text);
    std::unique_ptr<lyrics::LrclibClient> FLrclib;
    std::unique_ptr<lyrics::LrclibSource> FLrclibSource;
    std::unique_ptr<lyrics::LrclibPublisher> FPublisher;
    std::uint64_t FOnlineRequest = 0;
    std::string FFetched;
    std::string FFetchedSong;
    std::string FOnlineNotice;
    int FOnlineLoads = 0;

    // Summed in 64 bits: a folder of songs may hold more than 2 GiB.
    int64_t FTotalSize = 0;
    int32_t FFileCount = 0;
    bool FPlaying = false;
    // The next tick is the first since a song started.
    bool FFirstTick = false;
    std::string FCurrentTitle;
    // RecId of the song table's record that was last started; 0 when none of
    // the present scan was.
    int32_t FStartedRecId = 0;
    std::string FPlayingPath;
    int FSongStarts = 0;
    TSearchRec FSearchRec;
    TMediaPlayer* FPlayer = nullptr;

    TPlayerServices FServices;

    // The current song's lyrics: records, rows, current lines, strip.
    lyrics::LyricPresenter FLyrics;
    // The song's kept offset, the part of it already in the loaded times (an
    // .lrc file's [offset:]), and the latency offset.
    int32_t FSongOffset = 0;
    int32_t FOffsetBase = 0;
    int32_t FLatencyOffset = 0;
    lyrics::OffsetStore FOffsetStore;
    // A program write of the seek bar's range that does not say where the song is.
    bool FSeekBarRangeOnly = false;
};

// The program's one window.
extern TfrmMain* frmMain;
