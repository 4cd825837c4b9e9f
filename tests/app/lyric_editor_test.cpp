// The lyric timing editor on the window and the fake media service: taps
// while the song plays, the save, and the window showing the new times.

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QTableWidget>
#include <fstream>
#include <iterator>

#include "app/LyricEditor.h"
#include "forms/dialogs.h"
#include "tests/app/window_fixture.h"

namespace {

class LyricEditing : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        SetQuestionHook([this](const std::string& text) {
            questions.push_back(text);
            return answer;
        });
    }
    void TearDown() override
    {
        if (frm && frm->LyricEditorWindow) {
            answer = TAnswer::No;
            frm->LyricEditorWindow->close();
        }
        SetQuestionHook(nullptr);
        WindowTest::TearDown();
    }
    TLyricEditor* Open()
    {
        User([&] { frm->actEditLyrics->trigger(); });
        return frm->LyricEditorWindow;
    }
    std::string Read(const std::string& name) const
    {
        std::ifstream in(Folder("m") + "/" + name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::vector<std::string> questions;
    TAnswer answer = TAnswer::Yes;
};

TEST_F(LyricEditing, TapsWhilePlayingAreSavedAsLrcAndPlayAtOnce)
{
    Start();
    Song("m", "a.mp3", 200000);
    Text("m", "a.txt", "one\n\ntwo\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    EXPECT_FALSE(frm->tmrLyric->Enabled());  // plain lyrics: nothing to time yet
    TLyricEditor* editor = Open();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Table()->rowCount(), 2);
    media->Advance(1000);
    editor->actStamp->trigger();
    media->Advance(1500);
    editor->actStamp->trigger();
    EXPECT_EQ(editor->Table()->item(1, 0)->text().toStdString(), "00:02.50");
    // Up: back to the second line, playing from 2 s before it.
    editor->actStepBack->trigger();
    EXPECT_EQ(frm->Player()->Position(), 500);
    EXPECT_EQ(editor->Table()->currentRow(), 1);
    editor->actLater100->trigger();

    // The .txt file comes first: the save says so and offers to rename it.
    editor->actSave->trigger();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("a.txt"), std::string::npos);
    EXPECT_NE(questions[0].find(".txt.bak"), std::string::npos);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Read("a.lrc"), "[length:03:20]\n[00:01.00]one\n[00:02.60]two\n");
    EXPECT_EQ(Read("a.txt.bak"), "one\n\ntwo\n");
    EXPECT_FALSE(std::filesystem::exists(Folder("m") + "/a.txt"));
    EXPECT_FALSE(editor->Model().Modified());
    // The window plays by the new times at once.
    EXPECT_EQ(frm->dpnlLyric->Hint(), Folder("m") + "/a.lrc");
    EXPECT_EQ(frm->LyricRecordTime(1), 2600);
    ASSERT_TRUE(frm->tmrLyric->Enabled());
    EXPECT_EQ(frm->tmrLyric->Interval(), 500);
    // Nothing unsaved: closing asks nothing.
    editor->close();
    EXPECT_EQ(questions.size(), 1u);
}

TEST_F(LyricEditing, ErrorsKeepTheEditedLinesAndClosingWithChangesAsks)
{
    Start();
    const std::string song = Song("m", "a.mp3", 200000);
    Text("m", "a.lrc", "[00:01.00]one\n[00:01.00]uno\n[00:03.00]two\n");
    ClickFolder("m");
    User([&] { frm->btnPlay->Click(); });
    TLyricEditor* editor = Open();
    ASSERT_NE(editor, nullptr);
    media->Advance(1200);
    editor->actStamp->trigger();
    // The translation moved with its line.
    EXPECT_EQ(editor->Table()->item(1, 0)->text().toStdString(), "00:01.20");

    // The song is gone: an error box, and nothing is lost.
    std::filesystem::rename(song, song + ".moved");
    editor->actSave->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("a.mp3"), std::string::npos);
    EXPECT_TRUE(editor->Model().Modified());
    EXPECT_EQ(editor->Model().Lines()[0].time, 1200);
    std::filesystem::rename(song + ".moved", song);

    // Closing asks; Cancel keeps the editor open, with its lines.
    answer = TAnswer::Cancel;
    editor->close();
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_TRUE(editor->isVisible());
    // Yes saves the .lrc the lyrics came from, keeping the old one as .bak.
    answer = TAnswer::Yes;
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(Read("a.lrc"), "[length:03:20]\n[00:01.20]one\n[00:01.20]uno\n[00:03.00]two\n");
    EXPECT_EQ(Read("a.lrc.bak"), "[00:01.00]one\n[00:01.00]uno\n[00:03.00]two\n");
    EXPECT_EQ(boxes.size(), 1u);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(frm->LyricEditorWindow, nullptr);

    // The main window closing with changes in the editor asks too; Cancel keeps both.
    editor = Open();
    ASSERT_NE(editor, nullptr);
    editor->actLater10->trigger();
    answer = TAnswer::Cancel;
    TCloseAction action = TCloseAction::caHide;
    User([&] { frm->FormClose(frm.get(), action); });
    EXPECT_EQ(action, TCloseAction::caNone);
    EXPECT_EQ(questions.size(), 3u);
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(editor->isVisible());
    // Once the song has stopped, a tap stamps nothing and says why.
    User([&] { frm->btnStop->Click(); });
    const std::optional<std::int32_t> before = editor->Model().Lines()[0].time;
    editor->actStamp->trigger();
    EXPECT_EQ(editor->Model().Lines()[0].time, before);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_NE(boxes[1].find("a.mp3"), std::string::npos);
}

}  // namespace
