// Drag and drop on a window: folders and songs are taken, on the window and
// on its text box alike, anything else is refused (or left to the text box)
// while it is dragged in, and a drop hands over its path once the drop has
// been answered.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "desktop/Drop.h"

namespace {

class DropTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("player_drop_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir / "album");
        for (const char* name : {"song.MP3", "notes.txt"})
            std::ofstream(dir / name) << "x";
        (new QVBoxLayout(&window))->addWidget(memo = new QPlainTextEdit);
        target = new desktop::TDropTarget(
            &window, [](const std::string& file) { return file.ends_with(".MP3"); },
            [this](const std::string& path) { opened.push_back(path); });
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Drags the URLs onto a widget of the window; true when it takes them.
    // Drops them when asked.
    bool Drag(const QList<QUrl>& urls, bool drop = false, QWidget* onto = nullptr)
    {
        onto = onto ? onto : &window;
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        enter.ignore();
        QApplication::sendEvent(onto, &enter);
        if (drop && enter.isAccepted()) {
            QDropEvent event(QPointF(5, 5), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(onto, &event);
            EXPECT_TRUE(event.isAccepted());
            EXPECT_EQ(event.dropAction(), Qt::CopyAction);
        }
        return enter.isAccepted();
    }
    QUrl File(const char* name) const { return QUrl::fromLocalFile(QString::fromStdString((dir / name).string())); }

    std::filesystem::path dir;
    QWidget window;
    QPlainTextEdit* memo = nullptr;
    desktop::TDropTarget* target = nullptr;
    std::vector<std::string> opened;
};

TEST_F(DropTest, FoldersAndSongsAreTakenAndAnythingElseIsRefused)
{
    EXPECT_TRUE(window.acceptDrops());
    EXPECT_TRUE(Drag({File("album")}));
    EXPECT_TRUE(Drag({File("song.MP3")}));
    EXPECT_FALSE(Drag({File("notes.txt")}));
    EXPECT_FALSE(Drag({File("missing.MP3")}));
    EXPECT_FALSE(Drag({QUrl("https://example.com/song.MP3")}));
    EXPECT_FALSE(Drag({}));
    // Only the first item counts.
    EXPECT_FALSE(Drag({File("notes.txt"), File("song.MP3")}));
}

TEST_F(DropTest, ADropHandsOverItsPathAfterTheDropIsAnswered)
{
    ASSERT_TRUE(Drag({File("song.MP3"), File("album")}, true));
    EXPECT_TRUE(opened.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(opened, std::vector<std::string>{(dir / "song.MP3").string()});
    // Dropped on the text box, a folder opens and is not written into it.
    ASSERT_TRUE(Drag({File("album")}, true, memo->viewport()));
    QCoreApplication::processEvents();
    EXPECT_EQ(opened.back(), (dir / "album").string());
    EXPECT_TRUE(memo->toPlainText().isEmpty());
}

}  // namespace
