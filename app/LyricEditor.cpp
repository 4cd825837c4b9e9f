#include "app/LyricEditor.h"

#include <QAction>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "forms/application.h"
#include "forms/dialogs.h"
#include "forms/exception.h"
#include "lyrics/lrcwrite.h"

TLyricEditor::TLyricEditor(QWidget* parent, const std::string& title, TLyricEditorHost host)
    : QDialog(parent), FHost(std::move(host))
{
    setWindowTitle(QString::fromStdString("編輯歌詞時間 - " + title + "[*]"));
    resize(900, 520);
    auto* layout = new QVBoxLayout(this);
    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(tools);
    FTable = new QTableWidget(0, 2, this);
    FTable->setHorizontalHeaderLabels({QString::fromUtf8("時間"), QString::fromUtf8("歌詞")});
    FTable->horizontalHeader()->setStretchLastSection(true);
    FTable->verticalHeader()->setVisible(false);
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setSelectionMode(QAbstractItemView::SingleSelection);
    FTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    layout->addWidget(FTable);
    FStatus = new QLabel(this);
    FStatus->setText(QString::fromUtf8("播放時按空白鍵或↓為目前這行打上時間，↑回到上一行並從它前 2 秒播放；"
                                       "←→ 微調 0.01 秒，Shift+←→ 微調 0.1 秒；雙擊儲存格可直接輸入。"));
    FStatus->setWordWrap(true);
    layout->addWidget(FStatus);

    const auto stamp = [this] {
        const std::int32_t at = FHost.StampTime();
        if (actWordMode->isChecked())
            FModel.StampWord(at);
        else
            FModel.Stamp(at);
    };
    actStamp = Command("打點", {Qt::Key_Space, Qt::Key_Down}, stamp);
    actStepBack = Command("上一行", {Qt::Key_Up}, [this] {
        if (const std::optional<std::int32_t> at = FModel.StepBack())
            FHost.Seek(*at);
    });
    actEarlier100 = Command("−0.1 秒", {Qt::SHIFT | Qt::Key_Left}, [this] { FModel.Nudge(-100); });
    actEarlier10 = Command("−0.01 秒", {Qt::Key_Left}, [this] { FModel.Nudge(-10); });
    actLater10 = Command("+0.01 秒", {Qt::Key_Right}, [this] { FModel.Nudge(10); });
    actLater100 = Command("+0.1 秒", {Qt::SHIFT | Qt::Key_Right}, [this] { FModel.Nudge(100); });
    actWordMode = Command("逐字", {Qt::Key_W}, [] {});
    actWordMode->setCheckable(true);
    actInsert = Command("新增行", {Qt::Key_Insert}, [this] { FModel.InsertLine(FModel.Cursor(), ""); });
    actRemove = Command("刪除行", {Qt::Key_Delete}, [this] { FModel.RemoveLine(FModel.Cursor()); });
    actJoin = Command("併入上一行（翻譯）", {Qt::CTRL | Qt::Key_J}, [this] {
        const int row = FTable->currentRow();
        if (row > 0)
            FModel.SetJoined(static_cast<std::size_t>(row), !FModel.Lines()[row].joined);
    });
    actUndo = Command("復原", {QKeySequence::Undo}, [this] { FModel.Undo(); });
    actRedo = Command("重做", {QKeySequence::Redo, Qt::CTRL | Qt::Key_Y}, [this] { FModel.Redo(); });
    actSave = Command("儲存", {QKeySequence::Save}, [this] { Save(); });
    tools->addActions({actStamp, actStepBack, actEarlier100, actEarlier10, actLater10, actLater100, actWordMode,
                       actInsert, actRemove, actJoin, actUndo, actRedo, actSave});

    QObject::connect(FTable, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (!FFilling)
            Application->Dispatch([&] { CellEdited(row, column); });
    });
    QObject::connect(FTable, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (!FFilling && row >= 0) {
            FModel.SetCursor(static_cast<std::size_t>(row));
            Refresh();
        }
    });
}

QAction* TLyricEditor::Command(const char* text, std::initializer_list<QKeySequence> keys, std::function<void()> run)
{
    auto* action = new QAction(QString::fromUtf8(text), this);
    action->setShortcuts(QList<QKeySequence>(keys));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        Application->Dispatch([&] {
            run();
            Refresh();
        });
    });
    addAction(action);
    return action;
}

void TLyricEditor::Refresh()
{
    FFilling = true;
    const auto& lines = FModel.Lines();
    FTable->setRowCount(static_cast<int>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const lyrics::EditorLine& line = lines[i];
        const QString time = line.time ? QString::fromStdString(lyrics::LrcTime(*line.time)) : QString();
        std::string shown = line.text;
        if (!line.words.empty())
            shown = lyrics::WriteLrc({lyrics::EditorLine{std::nullopt, line.text, line.words, false}}, {}, {});
        if (!shown.empty() && shown.back() == '\n')
            shown.pop_back();
        const QString text = QString::fromUtf8((line.joined ? "　↳ " : "") + shown);
        for (int column = 0; column < 2; ++column) {
            QTableWidgetItem* item = FTable->item(static_cast<int>(i), column);
            if (!item) {
                item = new QTableWidgetItem;
                FTable->setItem(static_cast<int>(i), column, item);
            }
            item->setText(column == 0 ? time : text);
        }
    }
    if (FModel.Cursor() < lines.size())
        FTable->setCurrentCell(static_cast<int>(FModel.Cursor()), 1);
    else
        FTable->clearSelection();
    actUndo->setEnabled(FModel.CanUndo());
    actRedo->setEnabled(FModel.CanRedo());
    setWindowModified(FModel.Modified());
    FFilling = false;
}

void TLyricEditor::CellEdited(int row, int column)
{
    const QString typed = FTable->item(row, column)->text();
    if (column == 0) {
        FModel.SetCursor(static_cast<std::size_t>(row));
        if (!FModel.TypeTime(typed.trimmed().toStdString())) {
            Refresh();
            throw Exception("\"" + typed.toStdString() + "\" is not a time (mm:ss.xx)");
        }
    } else {
        QString text = typed;
        if (FModel.Lines()[row].joined && text.startsWith(QString::fromUtf8("　↳ ")))
            text = text.mid(3);
        // Word marks typed into the text are taken as word times.
        lyrics::LyricEditor parsed;
        parsed.Load("[00:00.00]" + text.toStdString());
        FModel.SetText(static_cast<std::size_t>(row), parsed.Lines().empty() ? "" : parsed.Lines()[0].text);
    }
    Refresh();
}

bool TLyricEditor::Save()
{
    if (!FHost.Save(FModel))
        return false;
    FModel.MarkSaved();
    Refresh();
    return true;
}

void TLyricEditor::closeEvent(QCloseEvent* event)
{
    if (FModel.Modified()) {
        switch (AskQuestion("歌詞時間已經修改，要先儲存嗎？")) {
        case TAnswer::Cancel:
            event->ignore();
            return;
        case TAnswer::Yes: {
            bool saved = false;
            Application->Dispatch([&] { saved = Save(); });
            if (!saved) {
                event->ignore();
                return;
            }
            break;
        }
        case TAnswer::No:
            break;
        }
    }
    event->accept();
}
