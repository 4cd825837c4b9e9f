#pragma once
// The main window on fakes: the media service with a virtual clock, the
// memory mixer, and song folders made in a temporary directory. Message
// boxes are recorded instead of shown.

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
#include "app/CaptionPanel.h"
#include "app/qivTrackBar.h"
#include "media/FakeMediaService.h"
#include "media/MPlayer.h"
#include "mixer/SSVolumeController.h"
#include "mixer/memory_mixer.h"
#include "table/dxmdaset.h"

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = std::filesystem::temp_directory_path() /
               ("player_window_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        Application->SetMessageBoxHook(
            [this](const std::string&, const std::string& text) { boxes.push_back(text); });
        media = std::make_shared<media::FakeMediaService>();
        mixer = std::make_shared<mixer::MemoryMixer>();
    }

    void TearDown() override
    {
        if (frm) {
            Close();
            frm.reset();
        }
        Application->SetMessageBoxHook(nullptr);
        std::filesystem::remove_all(root);
    }

    // Creates the window, as the program does at its start.
    TfrmMain& Start()
    {
        TPlayerServices services;
        services.Media = media;
        services.Mixer = mixer;
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
    void ClickFolder(const std::string& folder)
    {
        frm->ShellTreeView1->SetSelectedFolderPath(folder.empty() ? std::string() : Folder(folder));
        User([&] { frm->ShellTreeView1->OnClick(frm->ShellTreeView1); });
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
    std::unique_ptr<TfrmMain> frm;
    std::vector<std::string> boxes;
};
