#pragma once
// The main window on fakes: the media service with a virtual clock, the
// memory mixer, and song folders made in a temporary directory. Message
// boxes are recorded instead of shown.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/Unit1.h"
#include "forms/application.h"
#include "forms/buttons.h"
#include "forms/comctrls.h"
#include "forms/stdctrls.h"
#include "forms/timer.h"
#include "dock/dock.h"
#include "app/qivTrackBar.h"
#include "media/FakeMediaService.h"
#include "media/MPlayer.h"
#include "media/MediaService.h"
#include "mixer/SSVolumeController.h"
#include "mixer/memory_mixer.h"
#include "shell/ShellCtrls.h"
#include "shell/namespace.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = Home() / ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        Application->SetMessageBoxHook(
            [this](const std::string&, const std::string& text) { boxes.push_back(text); });
        // As the program does: an error of a device's notification is reported like any other.
        TMediaPlayer::SetHandlerDispatcher([](const std::function<void()>& handler) { Application->Dispatch(handler); });
        media = std::make_shared<media::FakeMediaService>();
        mixer = std::make_shared<mixer::MemoryMixer>();
        folders = Namespace();
    }

    void TearDown() override
    {
        if (frm) {
            Close();
            frm.reset();
        }
        Application->SetMessageBoxHook(nullptr);
        TMediaPlayer::SetHandlerDispatcher(nullptr);
        std::filesystem::remove_all(root);
    }

    // The home folder of the computer the folder tree sees: one per test
    // program, each test's folders below it.
    static std::filesystem::path Home()
    {
        static const std::filesystem::path home =
            std::filesystem::temp_directory_path() / ("player_window_" + std::to_string(::getpid()));
        return home;
    }
    // The computer as the folder tree sees it: the root and the home folder,
    // no mounted volumes. The tree's desktop record lasts the whole program,
    // so there is one namespace for all tests.
    static std::shared_ptr<shell::TLinuxNamespace> Namespace()
    {
        static const std::shared_ptr<shell::TLinuxNamespace> folders = [] {
            std::filesystem::create_directories(Home());
            std::ofstream(Home() / "mounts");
            shell::TNamespaceOptions options;
            options.MountsFile = (Home() / "mounts").string();
            options.Home = Home().string();
            return std::make_shared<shell::TLinuxNamespace>(options);
        }();
        return folders;
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(Home()); }

    // Creates the window, as the program does at its start (on the fake
    // media service unless another is given).
    TfrmMain& Start(std::shared_ptr<media::MediaService> service = nullptr)
    {
        TPlayerServices services;
        services.Media = service ? service : media;
        services.Mixer = mixer;
        services.Namespace = folders;
        frm = std::make_unique<TfrmMain>(nullptr, services);
        return *frm;
    }

    void Close()
    {
        TCloseAction action = TCloseAction::caHide;
        Application->Dispatch([&] { frm->FormClose(frm.get(), action); });
    }

    // A song file of `bytes` bytes (sparse) that the fake plays for lengthMs.
    std::string Song(const std::string& folder, const std::string& name, int lengthMs = 3000,
                     std::uintmax_t bytes = 100)
    {
        const std::filesystem::path dir = root / folder;
        std::filesystem::create_directories(dir);
        const std::filesystem::path path = dir / name;
        std::ofstream(path, std::ios::binary).put('x');
        std::filesystem::resize_file(path, bytes);
        media->AddSong(path.string(), lengthMs);
        return path.string();
    }

    void Text(const std::string& folder, const std::string& name, const std::string& content)
    {
        std::filesystem::create_directories(root / folder);
        std::ofstream(root / folder / name, std::ios::binary) << content;
    }

    std::string Folder(const std::string& folder) const { return (root / folder).string(); }

    // The user's actions, each as the message loop runs it.
    void User(const std::function<void()>& action) { Application->Dispatch(action); }
    // Selects a folder of the test's directory in the tree (Computer, then
    // home, then the folder) and clicks; "" selects nothing; "Computer"
    // selects Computer, a place without a file-system path.
    void ClickFolder(const std::string& folder)
    {
        TShellTreeView* tree = frm->ShellTreeView1;
        TTreeNode* computer = tree->TopItem(0);
        ASSERT_NE(computer, nullptr);
        TTreeNode* target = folder.empty() ? nullptr : computer;
        if (!folder.empty() && folder != "Computer") {
            tree->Expand(computer);
            auto isHome = [&](TTreeNode* n) { return n->Data()->PathName() == Home().string(); };
            TTreeNode* home = Child(computer, isHome);
            ASSERT_NE(home, nullptr);
            // Folders made since the last look are listed anew.
            tree->Refresh(home);
            home = Child(computer, isHome);
            ASSERT_NE(home, nullptr);
            tree->Expand(home);
            TTreeNode* mine = Child(home, [&](TTreeNode* n) { return n->Text() == root.filename().string(); });
            ASSERT_NE(mine, nullptr);
            tree->Expand(mine);
            target = Child(mine, [&](TTreeNode* n) { return n->Text() == folder; });
            if (!target) {
                // A folder that does not exist: the click selects nothing.
                tree->SetSelected(nullptr);
                User([&] { frm->ShellTreeView1->OnClick(frm->ShellTreeView1); });
                return;
            }
        }
        tree->SetSelected(target);
        User([&] { frm->ShellTreeView1->OnClick(frm->ShellTreeView1); });
    }
    template <class Pred>
    static TTreeNode* Child(TTreeNode* parent, Pred pred)
    {
        for (int i = 0; i < parent->Count(); ++i)
            if (pred(parent->Item(i)))
                return parent->Item(i);
        return nullptr;
    }
    void SelectRow(int recNo)
    {
        User([&] { frm->dxMemData->SetRecNo(recNo); });
    }
    void DoubleClickRow(int recNo)
    {
        SelectRow(recNo);
        User([&] { frm->dxDBGrid1->OnDblClick(frm->dxDBGrid1); });
    }
    void Tick() { frm->Timer1->Tick(); }
    // Runs the message loop (timers, notifications, an idle pass each time
    // the queue empties) until done() holds or limitMs have passed; returns done().
    template <class Done>
    static bool RunLoopUntil(Done done, int limitMs)
    {
        QEventLoop loop;
        QElapsedTimer clock;
        clock.start();
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, &loop, [&] {
            if (done() || clock.elapsed() >= limitMs)
                loop.quit();
        });
        check.start(10);
        if (!done())
            loop.exec();
        return done();
    }
    void Idle() { Application->DoIdle(); }

    std::vector<std::string> Titles() const
    {
        std::vector<std::string> titles;
        for (int row = 0; row < frm->dxMemData->RowCount(); ++row)
            titles.push_back(frm->dxMemData->GetAsString(row, frm->dxMemDataFileName));
        return titles;
    }
    std::vector<std::pair<std::string, std::string>> LyricRecords() const
    {
        std::vector<std::pair<std::string, std::string>> records;
        for (int row = 0; row < frm->dxMemData2->RowCount(); ++row)
            records.emplace_back(frm->dxMemData2->GetAsString(row, frm->dxMemData2ID),
                                 frm->dxMemData2->GetAsString(row, frm->dxMemData2Desc));
        return records;
    }
    // Enabled state of play, pause, stop, prior, next.
    std::string Buttons() const
    {
        std::string s;
        for (TSpeedButton* b : {frm->btnPlay, frm->btnPause, frm->btnStop, frm->btnPrior, frm->btnNext})
            s += b->Enabled() ? '1' : '0';
        return s;
    }

    std::filesystem::path root;
    std::shared_ptr<media::FakeMediaService> media;
    std::shared_ptr<mixer::MemoryMixer> mixer;
    std::shared_ptr<shell::TLinuxNamespace> folders;
    std::unique_ptr<TfrmMain> frm;
    std::vector<std::string> boxes;
};
