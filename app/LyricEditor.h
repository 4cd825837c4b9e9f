#pragma once
// The lyric timing editor's window: a table of lines and their times, keys
// to stamp them while the song plays, and the commands of the editor's model.
// It reads the position and seeks through the host; saving is the host's.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "lyrics/editor.h"

class QAction;
class QLabel;
class QTableWidget;

struct TLyricEditorHost {
    // The time a stamp gives now: the device's position with the latency offset.
    std::function<std::int32_t()> StampTime;
    // Plays from ms.
    std::function<void(std::int32_t)> Seek;
    // Saves the lines; false when the user chose not to (an error raises).
    std::function<bool(const lyrics::LyricEditor&)> Save;
};

class TLyricEditor : public QDialog {
public:
    TLyricEditor(QWidget* parent, const std::string& title, TLyricEditorHost host);

    lyrics::LyricEditor& Model() { return FModel; }
    // Shows the model's lines anew.
    void Refresh();

    // The commands, each also on its keys.
    QAction* actStamp = nullptr;       // Space, Down
    QAction* actStepBack = nullptr;    // Up
    QAction* actEarlier100 = nullptr;  // Shift+Left
    QAction* actEarlier10 = nullptr;   // Left
    QAction* actLater10 = nullptr;     // Right
    QAction* actLater100 = nullptr;    // Shift+Right
    QAction* actWordMode = nullptr;    // W, checkable
    QAction* actInsert = nullptr;      // Insert
    QAction* actRemove = nullptr;      // Delete
    QAction* actJoin = nullptr;        // Ctrl+J
    QAction* actUndo = nullptr;        // Ctrl+Z
    QAction* actRedo = nullptr;        // Ctrl+Y
    QAction* actSave = nullptr;        // Ctrl+S
    QTableWidget* Table() const { return FTable; }

    // Saves through the host; true when saved. An error raises.
    bool Save();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* Command(const char* text, std::initializer_list<QKeySequence> keys, std::function<void()> run);
    void CellEdited(int row, int column);

    TLyricEditorHost FHost;
    lyrics::LyricEditor FModel;
    QTableWidget* FTable = nullptr;
    QLabel* FStatus = nullptr;
    bool FFilling = false;
};
