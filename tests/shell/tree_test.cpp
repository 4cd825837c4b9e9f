#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "forms/exception.h"
#include "tests/shell/tree_fixture.h"

using Names = std::vector<std::string>;

namespace {

// A double click as the window system delivers it to a widget: press,
// release, press, double click, release.
void DoubleClick(QWidget* widget, QPoint pos)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mousePress(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

}  // namespace

TEST_F(ShellTreeTest, StartsAtComputerExpandedAndSelected)
{
    EXPECT_EQ(tree->SelectedFolderPath(), "");  // nothing built, nothing selected
    tree->SetRoot("rfMyComputer");
    TTreeNode* computer = tree->TopItem();
    ASSERT_NE(computer, nullptr);
    EXPECT_EQ(tree->TopCount(), 1);
    EXPECT_EQ(computer->Text(), "Computer");
    EXPECT_TRUE(computer->Expanded());
    EXPECT_EQ(tree->Selected(), computer);
    EXPECT_EQ(Texts(computer), (Names{"File System", "Home"}));
    // Computer has no path: its display name stands for it, and no song search finds anything there.
    EXPECT_EQ(tree->SelectedFolderPath(), "Computer");
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(temp.Path());
    EXPECT_FALSE(std::filesystem::exists(tree->SelectedFolderPath()));
    std::filesystem::current_path(cwd);

    // The root's path ends in "/", a folder below it has none at the end.
    TTreeNode* root = Child(computer, "File System");
    tree->SetSelected(root);
    EXPECT_EQ(tree->SelectedFolderPath(), "/");
    tree->Expand(root);
    const std::string first = std::filesystem::path(temp.Path()).begin()->string() == "/"
                                  ? (++std::filesystem::path(temp.Path()).begin())->string()
                                  : std::string();
    TTreeNode* below = Child(root, first);
    ASSERT_NE(below, nullptr) << first;
    tree->SetSelected(below);
    EXPECT_EQ(tree->SelectedFolderPath(), "/" + first);
    tree->SetSelected(Child(computer, "Home"));
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "home");

    tree->SetSelected(nullptr);
    EXPECT_EQ(tree->SelectedFolderPath(), "");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTreeTest, ARootThatNamesNothingKeepsThePreviousOne)
{
    // Without an earlier root the tree stays empty.
    try {
        tree->SetRoot(temp / "missing");
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Error setting path: \"" + (temp / "missing") + "\"");
    }
    EXPECT_EQ(tree->TopCount(), 0);
    EXPECT_EQ(tree->Root(), "rfDesktop");

    temp.Folder("music/a");
    TTreeNode* music = RootAt("music");
    ASSERT_NE(music, nullptr);
    for (const std::string bad : {"rfControlPanel", "rfPrinters", "relative/path"}) {
        try {
            tree->SetRoot(bad);
            FAIL() << bad;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Error setting path: \"" + bad + "\"");
        }
        EXPECT_EQ(tree->Root(), temp / "music");
        ASSERT_EQ(tree->TopCount(), 1);
        EXPECT_EQ(tree->TopItem()->Text(), "music");
        EXPECT_EQ(Texts(tree->TopItem()), (Names{"a"}));
        EXPECT_EQ(tree->SelectedFolderPath(), temp / "music");
    }
}

TEST_F(ShellTreeTest, RootValuesCompareByFolderNameOrExactPath)
{
    tree->SetRoot("rfMyComputer");
    TTreeNode* top = tree->TopItem();
    tree->SetRoot("RFMYCOMPUTER");  // the same special folder: nothing happens
    EXPECT_EQ(tree->TopItem(), top);
    EXPECT_EQ(tree->Root(), "rfMyComputer");

    // Paths keep their case: two folders that differ only in case are two roots.
    temp.Folder("case/a");
    temp.Folder("case/A");
    RootAt("case/a");
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "case/a");
    RootAt("case/A");
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "case/A");

    tree->SetRoot("rfPersonal");
    EXPECT_EQ(tree->TopItem()->Text(), "Home");
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "home");
}

TEST_F(ShellTreeTest, ChildrenAreListedOnFirstExpansionInCollationOrder)
{
    for (const char* name : {"lib/Track 10", "lib/track 9", "lib/Album/cd1", "lib/.hidden/x", "lib/empty"})
        temp.Folder(name);
    temp.File("lib/song.mp3");
    TTreeNode* lib = RootAt("lib");
    EXPECT_EQ(Texts(lib), (Names{"Album", "empty", "track 9", "Track 10"}));

    // Nothing below a child is listed before it expands.
    TTreeNode* album = Child(lib, "Album");
    EXPECT_EQ(album->Count(), 0);
    EXPECT_TRUE(album->HasChildren());
    temp.Folder("lib/Album/cd2");
    tree->Expand(album);
    EXPECT_EQ(Texts(album), (Names{"cd1", "cd2"}));

    // A folder without sub-folders loses its expand button at the first attempt.
    TTreeNode* empty = Child(lib, "empty");
    const QModelIndex emptyIndex = tree->TreeView()->model()->index(empty->Index(), 0,
                                                                    tree->TreeView()->model()->index(0, 0));
    EXPECT_TRUE(empty->HasChildren());
    EXPECT_TRUE(tree->TreeView()->model()->hasChildren(emptyIndex));
    tree->Expand(empty);
    EXPECT_FALSE(empty->HasChildren());
    EXPECT_FALSE(tree->TreeView()->model()->hasChildren(emptyIndex));

    // Collapsing keeps the children; expanding again lists nothing new.
    temp.Folder("lib/Album/cd3");
    tree->Collapse(album);
    tree->Expand(album);
    EXPECT_EQ(Texts(album), (Names{"cd1", "cd2"}));
}

TEST_F(ShellTreeTest, AFolderCreatedLaterShowsOnlyAfterARebuild)
{
    temp.Folder("lib/Album/cd1");
    temp.Folder("lib/Other");
    TTreeNode* lib = RootAt("lib");
    tree->Expand(Child(lib, "Album"));
    tree->SetSelected(Child(Child(lib, "Album"), "cd1"));
    temp.Folder("lib/New");
    temp.Folder("lib/Album/cd2");
    EXPECT_EQ(Texts(lib), (Names{"Album", "Other"}));

    // Refreshing the top node lists it again and keeps expansion and selection.
    tree->Refresh(lib);
    lib = tree->TopItem();
    ASSERT_EQ(tree->TopCount(), 1);
    EXPECT_EQ(Texts(lib), (Names{"Album", "New", "Other"}));
    EXPECT_TRUE(lib->Expanded());
    TTreeNode* album = Child(lib, "Album");
    EXPECT_TRUE(album->Expanded());
    EXPECT_EQ(Texts(album), (Names{"cd1", "cd2"}));
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "lib/Album/cd1");

    // Setting another root and back rebuilds from the start.
    temp.Folder("lib/Newer");
    tree->SetRoot("rfMyComputer");
    lib = RootAt("lib");
    EXPECT_EQ(Texts(lib), (Names{"Album", "New", "Newer", "Other"}));
    EXPECT_EQ(tree->Selected(), lib);
}

TEST_F(ShellTreeTest, AFolderThatCannotBeReadGetsNoChildrenAndNoMessage)
{
    temp.Folder("lib/locked/inside");
    unreadable.insert(temp / "lib/locked");
    TTreeNode* lib = RootAt("lib");
    TTreeNode* locked = Child(lib, "locked");
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(locked->HasChildren());
    tree->Expand(locked);
    EXPECT_EQ(locked->Count(), 0);
    EXPECT_FALSE(locked->HasChildren());
    EXPECT_TRUE(boxes.empty());
    // The unreadable root itself: a top node without children.
    RootAt("lib/locked");
    EXPECT_EQ(tree->TopItem()->Count(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTreeTest, OddNamesShowAndGiveTheirExactPaths)
{
    const std::vector<std::string> names = {"two words", "line\nbreak", std::string("raw\xff\xfe"), "周杰倫",
                                            "?1?track"};
    for (const auto& name : names)
        temp.Folder("odd/" + name);
    TTreeNode* odd = RootAt("odd");
    ASSERT_EQ(odd->Count(), static_cast<int>(names.size()));
    for (const auto& name : names) {
        TTreeNode* node = Child(odd, name);
        ASSERT_NE(node, nullptr) << name;
        tree->SetSelected(node);
        EXPECT_EQ(tree->SelectedFolderPath(), temp / ("odd/" + name));
        const QString label = tree->TreeView()->currentIndex().data().toString();
        EXPECT_FALSE(label.isEmpty());
        EXPECT_FALSE(label.contains(QChar('\n')));
    }
    tree->SetSelected(Child(odd, "line\nbreak"));
    EXPECT_EQ(tree->TreeView()->currentIndex().data().toString(), QString::fromUtf8("line\u240Abreak"));
    tree->SetSelected(Child(odd, "周杰倫"));
    EXPECT_EQ(tree->TreeView()->currentIndex().data().toString(), QString::fromUtf8("周杰倫"));
}

TEST_F(ShellTreeTest, ClicksAreReportedOnceForTheLeftButtonOnly)
{
    temp.Folder("lib/A/inner");
    temp.Folder("lib/B");
    temp.Folder("lib/C/deep");
    TTreeNode* lib = RootAt("lib");
    Show();
    QWidget* viewport = tree->TreeView()->viewport();
    TTreeNode* a = Child(lib, "A");
    TTreeNode* c = Child(lib, "C");

    // A click on a label selects the node before OnClick reports it.
    std::string pathAtClick;
    tree->OnClick = [&](TObject*) {
        ++clicks;
        pathAtClick = tree->SelectedFolderPath();
    };
    QTest::mouseClick(viewport, Qt::LeftButton, {}, tree->NodeRect(a).center());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(pathAtClick, temp / "lib/A");

    // A click on an expand button expands and reports, the selection unchanged.
    const QRect cRect = tree->NodeRect(c);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(cRect.left() - tree->Indent() / 2, cRect.center().y()));
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(pathAtClick, temp / "lib/A");
    EXPECT_TRUE(c->Expanded());
    EXPECT_EQ(Texts(c), (Names{"deep"}));

    // A click on empty space reports too and changes nothing.
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(5, viewport->height() - 5));
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "lib/A");

    // A double click reports once and expands.
    Settle();
    const QPoint b = tree->NodeRect(Child(lib, "B")).center();
    DoubleClick(viewport, tree->NodeRect(a).center());
    EXPECT_EQ(clicks, 4);
    EXPECT_TRUE(a->Expanded());

    // The keyboard moves the selection without a report.
    tree->TreeView()->setFocus();
    QTest::keyClick(viewport, Qt::Key_Down);
    QTest::keyClick(tree->TreeView(), Qt::Key_Down);
    EXPECT_NE(tree->SelectedFolderPath(), temp / "lib/A");
    EXPECT_EQ(clicks, 4);

    // The right button neither selects nor reports.
    tree->SetSelected(a);
    QTest::mouseClick(viewport, Qt::RightButton, {}, b);
    EXPECT_EQ(clicks, 4);
    EXPECT_EQ(tree->Selected(), a);

    // A press inside released outside reports nothing.
    QTest::mousePress(viewport, Qt::LeftButton, {}, b);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(clicks, 4);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTreeTest, LabelEditingRenamesTheFolder)
{
    temp.Folder("lib/old/inside");
    temp.Folder("lib/taken");
    TTreeNode* lib = RootAt("lib");
    TTreeNode* old = Child(lib, "old");
    QAbstractItemModel* model = tree->TreeView()->model();
    const QModelIndex index = model->index(old->Index(), 0, model->index(0, 0));
    EXPECT_TRUE(model->flags(index) & Qt::ItemIsEditable);

    // A name that is taken: the error, and nothing changes.
    model->setData(index, QString("taken"));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Rename to taken failed.");
    EXPECT_EQ(old->Text(), "old");
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/old/inside"));

    model->setData(index, QString::fromUtf8("新的 名字"));
    EXPECT_EQ(old->Text(), "新的 名字");
    EXPECT_TRUE(std::filesystem::exists(temp / "lib/新的 名字/inside"));
    tree->SetSelected(old);
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "lib/新的 名字");
    tree->Expand(old);
    EXPECT_EQ(Texts(old), (Names{"inside"}));

    // An expanded folder: what is below it follows the new name.
    tree->SetSelected(Child(old, "inside"));
    model->setData(index, QString("renamed"));
    old = Child(tree->TopItem(), "renamed");
    ASSERT_NE(old, nullptr);
    EXPECT_TRUE(old->Expanded());
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "lib/renamed/inside");

    // The top folder itself can be renamed too.
    model->setData(model->index(0, 0), QString("library"));
    EXPECT_EQ(tree->TopItem()->Text(), "library");
    EXPECT_TRUE(std::filesystem::exists(temp / "library/renamed/inside"));
    EXPECT_EQ(tree->SelectedFolderPath(), temp / "library/renamed/inside");
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(ShellTreeTest, AnUnchangedLabelOfANameThatIsNotTextRenamesNothing)
{
    const std::string raw("raw\xff", 4);
    temp.Folder("lib/" + raw);
    TTreeNode* node = Child(RootAt("lib"), raw);
    QAbstractItemModel* model = tree->TreeView()->model();
    const QModelIndex index = model->index(node->Index(), 0, model->index(0, 0));
    model->setData(index, index.data(Qt::EditRole));
    EXPECT_TRUE(std::filesystem::exists(temp / ("lib/" + raw)));
    EXPECT_EQ(node->Text(), raw);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTreeTest, BuildsItsRootWhenLoadedOrFirstShown)
{
    tree->Loaded();
    ASSERT_EQ(tree->TopCount(), 1);
    EXPECT_EQ(tree->TopItem()->Text(), "Desktop");
    EXPECT_EQ(Texts(tree->TopItem()), (Names{"Computer"}));
    EXPECT_EQ(tree->SelectedFolderPath(), "Desktop");
    TTreeNode* desktop = tree->TopItem();
    tree->Loaded();  // built already: nothing changes
    EXPECT_EQ(tree->TopItem(), desktop);

    TShellTreeView shown(nullptr);
    shown.Widget()->show();
    QApplication::processEvents();
    ASSERT_EQ(shown.TopCount(), 1);
    EXPECT_EQ(shown.TopItem()->Text(), "Desktop");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTreeTest, NodesShowIconsAndSharedFoldersCarryTheShareMark)
{
    temp.Folder("lib/shared");
    temp.Folder("lib/private");
    temp.Folder("shares");
    temp.File("shares/music", "path=" + (temp / "lib/shared") + "\n");
    TTreeNode* lib = RootAt("lib");
    TTreeNode* shared = Child(lib, "shared");
    TTreeNode* other = Child(lib, "private");
    EXPECT_GE(shared->OverlayIndex(), 0);
    EXPECT_EQ(other->OverlayIndex(), -1);
    EXPECT_GE(other->ImageIndex(), 0);
    EXPECT_GE(other->SelectedIndex(), 0);
    QAbstractItemModel* model = tree->TreeView()->model();
    EXPECT_FALSE(model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(model->index(shared->Index(), 0, model->index(0, 0)).data(Qt::DecorationRole).value<QIcon>().isNull());
}

TEST_F(ShellTreeTest, TheExpandButtonOfAnEmptyFolderGoesAfterTheUserTriesIt)
{
    temp.Folder("lib/empty");
    temp.Folder("lib/full/x");
    TTreeNode* lib = RootAt("lib");
    Show();
    TTreeNode* empty = Child(lib, "empty");
    const QRect rect = tree->NodeRect(empty);
    QTest::mouseClick(tree->TreeView()->viewport(), Qt::LeftButton, {},
                      QPoint(rect.left() - tree->Indent() / 2, rect.center().y()));
    Settle();
    EXPECT_FALSE(empty->HasChildren());
    EXPECT_FALSE(empty->Expanded());
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(tree->Selected(), lib);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ShellTreeTest, AWidgetFreedFirstTakesOnlyTheViewWithIt)
{
    // A window freed before the components it shows frees their widgets
    // first; the tree then goes without touching its view.
    temp.Folder("lib/a");
    TTreeNode* lib = RootAt("lib");
    auto window = std::make_unique<QWidget>();
    tree->SetParentWidget(window.get());
    window->show();
    Settle();
    ASSERT_EQ(Texts(lib), (Names{"a"}));
    window.reset();
    EXPECT_EQ(tree->Widget(), nullptr);
    EXPECT_EQ(tree->TreeView(), nullptr);
    tree.reset();
    EXPECT_TRUE(boxes.empty());
}
