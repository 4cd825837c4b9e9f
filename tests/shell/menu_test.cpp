#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/shell/tree_fixture.h"

using Names = std::vector<std::string>;

namespace {

class ShellMenuTest : public ShellTreeTest {
protected:
    std::vector<std::vector<std::string>> menus;  // the verbs of each menu shown
    std::vector<QPoint> shownAt;
    std::string choice;  // what the user picks in the next menu
    std::vector<std::string> questions;
    bool answer = true;
    std::unique_ptr<ScopedEnv> data;  // the trash goes to the temporary folder

    void SetUp() override
    {
        ShellTreeTest::SetUp();
        shell::ShellHooks().Popup = [this](const std::vector<shell::TMenuCommand>& commands, const QPoint& at) {
            std::vector<std::string> verbs;
            for (const auto& command : commands)
                verbs.push_back(command.Verb);
            menus.push_back(verbs);
            shownAt.push_back(at);
            return choice;
        };
        shell::ShellHooks().Confirm = [this](const std::string& text) {
            questions.push_back(text);
            return answer;
        };
        data = std::make_unique<ScopedEnv>("XDG_DATA_HOME", temp / "data");
    }
    void TearDown() override
    {
        data.reset();
        QApplication::clipboard()->clear();
        ShellTreeTest::TearDown();
    }

    void RightClick(TTreeNode* node, const std::string& verb = "")
    {
        RightClickAt(tree->NodeRect(node).center(), verb);
    }
    void RightClickAt(QPoint pos, const std::string& verb = "")
    {
        choice = verb;
        QWidget* viewport = tree->TreeView()->viewport();
        QTest::mousePress(viewport, Qt::RightButton, {}, pos);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
        QApplication::sendEvent(viewport, &event);
        QTest::mouseRelease(viewport, Qt::RightButton, {}, pos);
    }
};

const Names kFolderVerbs = {"open", "cut", "copy", "paste", "delete", "rename"};

}  // namespace

TEST_F(ShellMenuTest, ShowsTheMenuOfTheNodeUnderThePointerWithoutSelectingIt)
{
    temp.Folder("lib/A");
    temp.Folder("lib/B");
    TTreeNode* lib = RootAt("lib");
    Show();
    TTreeNode* a = Child(lib, "A");
    tree->SetSelected(a);

    RightClick(Child(lib, "B"));
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], kFolderVerbs);
    EXPECT_EQ(tree->Selected(), a);
    EXPECT_EQ(clicks, 0);

    // On empty space: the selected node's menu; from the keyboard: at its label.
    RightClickAt(QPoint(5, tree->TreeView()->viewport()->height() - 5));
    ASSERT_EQ(menus.size(), 2u);
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QApplication::sendEvent(tree->TreeView()->viewport(), &key);
    ASSERT_EQ(menus.size(), 3u);
    EXPECT_EQ(shownAt[2], tree->TreeView()->viewport()->mapToGlobal(tree->NodeRect(a).center()));
    EXPECT_EQ(tree->Selected(), a);

    // No node at all: no menu.
    tree->SetSelected(nullptr);
    RightClickAt(QPoint(5, tree->TreeView()->viewport()->height() - 5));
    EXPECT_EQ(menus.size(), 3u);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellMenuTest, VirtualFoldersHaveNoMenuAndDrivesCannotMoveOrBeRenamed)
{
    tree->SetRoot("rfMyComputer");
    Show();
    RightClick(tree->TopItem());
    EXPECT_TRUE(menus.empty());
    RightClick(Child(tree->TopItem(), "Home"));
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0], (Names{"open", "copy", "paste"}));
}

TEST_F(ShellMenuTest, OpenStartsTheFileManagerInTheParentFolderAndNeverMovesOurs)
{
    temp.Folder("lib/A");
    TTreeNode* lib = RootAt("lib");
    Show();
    const std::string before = std::filesystem::current_path();
    struct Opened {
        std::string path, workingDirectory, ours;  // ours: our current folder meanwhile
    };
    std::vector<Opened> opened;
    bool succeed = true;
    shell::ShellHooks().OpenFolder = [&](const std::string& path, const std::string& workingDirectory) {
        opened.push_back({path, workingDirectory, std::filesystem::current_path().string()});
        return succeed;
    };
    RightClick(Child(lib, "A"), "open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].path, temp / "lib/A");
    EXPECT_EQ(opened[0].workingDirectory, temp / "lib/");
    EXPECT_EQ(opened[0].ours, before);
    EXPECT_EQ(std::filesystem::current_path(), before);

    succeed = false;
    RightClick(Child(lib, "A"), "open");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "無法開啟「" + (temp / "lib/A") + "」.");
    EXPECT_EQ(std::filesystem::current_path(), before);
}

TEST_F(ShellMenuTest, TheDesktopOpenerIsStartedInTheParentFolder)
{
    temp.Folder("lib/A");
    temp.Folder("bin");
    // An opener of our own in the desktop's place: it writes where it runs and what it was given.
    const std::string log = temp / "opened";
    std::ofstream(temp / "bin/xdg-open") << "#!/bin/sh\n{ pwd -P; echo \"$1\"; } > '" << log << ".part' && mv '"
                                         << log << ".part' '" << log << "'\n";
    std::filesystem::permissions(temp / "bin/xdg-open", std::filesystem::perms::owner_all);
    const ScopedEnv path("PATH", temp / "bin:" + std::getenv("PATH"));
    TTreeNode* lib = RootAt("lib");
    Show();
    const std::string before = std::filesystem::current_path();
    RightClick(Child(lib, "A"), "open");
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(std::filesystem::current_path(), before);
    for (int waited = 0; waited < 10000 && !std::filesystem::exists(log); waited += 10)
        usleep(10000);
    std::ifstream written(log);
    std::string ran, given;
    std::getline(written, ran);
    std::getline(written, given);
    EXPECT_EQ(ran, std::filesystem::canonical(temp / "lib").string());
    EXPECT_EQ(given, "file://" + (temp / "lib/A"));
}

TEST_F(ShellMenuTest, DeleteAsksThenMovesTheFolderToTheTrash)
{
    temp.Folder("lib/A/song");
    temp.Folder("lib/B");
    TTreeNode* lib = RootAt("lib");
    Show();
    TTreeNode* b = Child(lib, "B");
    tree->SetSelected(b);

    answer = false;
    RightClick(Child(lib, "A"), "delete");
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_NE(questions[0].find("「A」"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/A/song"));
    EXPECT_EQ(Texts(lib), (Names{"A", "B"}));

    answer = true;
    RightClick(Child(lib, "A"), "delete");
    EXPECT_FALSE(std::filesystem::exists(temp / "lib/A"));
    EXPECT_TRUE(std::filesystem::exists(temp / "data/Trash/files/A/song"));
    EXPECT_EQ(Texts(lib), (Names{"B"}));
    EXPECT_EQ(tree->Selected(), b);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellMenuTest, PasteCopiesOrMovesFromTheClipboardAndShowsTheResult)
{
    temp.Folder("lib/source/cd1");
    temp.Folder("lib/target/old");
    TTreeNode* lib = RootAt("lib");
    Show();
    tree->Expand(Child(lib, "target"));
    tree->SetSelected(Child(Child(lib, "target"), "old"));

    RightClick(Child(lib, "source"), "copy");
    RightClick(Child(lib, "target"), "paste");
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/source/cd1"));
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/target/source/cd1"));
    TTreeNode* target = Child(lib, "target");
    EXPECT_EQ(Texts(target), (Names{"old", "source"}));
    EXPECT_TRUE(target->Expanded());
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "lib/target/old");

    // Pasting again keeps the first copy.
    RightClick(Child(lib, "target"), "paste");
    EXPECT_EQ(Texts(Child(lib, "target")), (Names{"old", "source", "source (2)"}));

    // A folder never goes into itself.
    RightClick(Child(lib, "source"), "paste");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("無法貼上"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(temp / "lib/source/source"));

    // Cut and paste moves, once.
    RightClick(Child(lib, "source"), "cut");
    RightClick(Child(Child(lib, "target"), "old"), "paste");
    EXPECT_FALSE(std::filesystem::exists(temp / "lib/source"));
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/target/old/source/cd1"));
    const QMimeData* left = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(!left || left->urls().isEmpty());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ShellMenuTest, RenameEditsTheLabelOfTheNodeUnderThePointer)
{
    temp.Folder("lib/A");
    temp.Folder("lib/B/cd1/live");
    TTreeNode* lib = RootAt("lib");
    Show();
    TTreeNode* b = Child(lib, "B");
    tree->Expand(b);
    tree->Expand(Child(b, "cd1"));
    tree->SetSelected(Child(b, "cd1"));
    Settle();
    RightClick(b, "rename");
    const auto editors = tree->TreeView()->viewport()->findChildren<QLineEdit*>();
    ASSERT_EQ(editors.size(), 1);
    EXPECT_EQ(editors[0]->text(), "B");
    editors[0]->setText(QString::fromUtf8("B 改名"));
    QTest::keyClick(editors[0], Qt::Key_Return);
    QApplication::processEvents();  // the editor commits its text from the queue
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/B 改名"));
    EXPECT_EQ(Texts(lib), (Names{"A", "B 改名"}));
    // The renamed folder stays open, and what is below it follows the new name.
    EXPECT_TRUE(b->Expanded());
    EXPECT_TRUE(Child(b, "cd1")->Expanded());
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "lib/B 改名/cd1");
    EXPECT_TRUE(boxes.empty());
}
