// The grid's behaviour: columns, following the table, moves by mouse, keys and
// scroll bar, deleting and inserting records, and the in-place editor.

#include "table/dxDBGrid.h"

#include <QMessageBox>
#include <QRect>
#include <QScrollBar>
#include <QStandardItemModel>
#include <algorithm>
#include <cstdlib>

#include "table/datasource.h"
#include "table/dxDBGridView.h"
#include "table/dxmdaset.h"

namespace {

TdxDBGrid::TConfirmHook& ConfirmHook()
{
    static TdxDBGrid::TConfirmHook hook;
    return hook;
}

bool Confirm(QWidget* parent, const std::string& caption, const std::string& text)
{
    if (ConfirmHook())
        return ConfirmHook()(caption, text);
    QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

bool Writing(const TdxMemData* table)
{
    return table && (table->State() == dsInsert || table->State() == dsEdit);
}

}  // namespace

// ---- Columns ---------------------------------------------------------------

TdxDBGridColumn::TdxDBGridColumn(TComponent* AOwner) : TComponent(AOwner) {}

TdxDBGridColumn::~TdxDBGridColumn()
{
    SetGrid(nullptr);
}

void TdxDBGridColumn::SetGrid(TdxDBGrid* value)
{
    if (value == FGrid)
        return;
    if (FGrid)
        FGrid->RemoveColumn(this);
    FGrid = value;
    if (FGrid)
        FGrid->AddColumn(this);
}

void TdxDBGridColumn::Changed()
{
    if (FGrid)
        FGrid->ColumnsChanged();
}

void TdxDBGridColumn::SetFieldName(const std::string& value)
{
    FFieldName = value;
    Changed();
}

void TdxDBGridColumn::SetWidth(int value)
{
    FWidth = std::max(0, value);
    Changed();
}

void TdxDBGridColumn::SetVisible(bool value)
{
    FVisible = value;
    Changed();
}

void TdxDBGridColumn::SetReadOnly(bool value)
{
    FReadOnly = value;
    Changed();
}

TField* TdxDBGridColumn::Field() const
{
    const TdxMemData* table = FGrid ? FGrid->DataSet() : nullptr;
    return table ? table->FindField(FFieldName) : nullptr;
}

std::string TdxDBGridColumn::Caption() const
{
    const TField* field = Field();
    return field ? field->DisplayLabel() : FFieldName;
}

// ---- Grid: properties --------------------------------------------------------

TdxDBGrid::TdxDBGrid(TComponent* AOwner)
    : TControl(AOwner, new dxgrid::TGridView(this)), FLink(std::make_unique<dxgrid::TGridLink>(this))
{
    View()->UpdateFrame();
    View()->RebuildHeader();
}

dxgrid::TGridView* TdxDBGrid::View() const
{
    return static_cast<dxgrid::TGridView*>(Widget());
}

TdxDBGrid::~TdxDBGrid()
{
    // The widget goes first, while everything its handlers may reach is
    // still here.
    FEditorOpen = false;
    delete View();
    FLink.reset();
    for (TdxDBGridColumn* column : FColumns)
        column->FGrid = nullptr;
    FColumns.clear();
}

TDataSource* TdxDBGrid::DataSource() const { return FLink->DataSource(); }

void TdxDBGrid::SetDataSource(TDataSource* value)
{
    if (value == FLink->DataSource())
        return;
    CloseEditor(false);
    FLink->SetDataSource(value);
    FLink->SetBufferCount(VisibleRowCount());
    ColumnsChanged();
}

TdxMemData* TdxDBGrid::DataSet() const { return FLink->DataSet(); }

void TdxDBGrid::SetShowHeader(bool value)
{
    FShowHeader = value;
    View()->UpdateGeometries();
    Resized();
}

void TdxDBGrid::SetShowGrid(bool value)
{
    FShowGrid = value;
    View()->viewport()->update();
}

void TdxDBGrid::SetLookAndFeel(TdxLookAndFeel value)
{
    FLookAndFeel = value;
    View()->UpdateFrame();
}

void TdxDBGrid::SetOptionsView(TdxDBGridOptionsView value)
{
    FOptionsView = value;
    if (FOptionsView & edgoRowSelect)
        CloseEditor(true);
    View()->viewport()->update();
}

void TdxDBGrid::SetOptionsCustomize(TdxDBGridOptionsCustomize value)
{
    FOptionsCustomize = value;
    View()->RebuildHeader();
}

void TdxDBGrid::SetConfirmHook(TConfirmHook hook)
{
    ConfirmHook() = std::move(hook);
}

void TdxDBGrid::AddColumn(TdxDBGridColumn* column)
{
    FColumns.push_back(column);
    ColumnsChanged();
}

void TdxDBGrid::RemoveColumn(TdxDBGridColumn* column)
{
    std::erase(FColumns, column);
    ColumnsChanged();
}

void TdxDBGrid::ColumnsChanged()
{
    if (!View())
        return;
    View()->RebuildHeader();
    SetFocusedColumn(FFocusedColumn);
    Resized();
}

// ---- Geometry ----------------------------------------------------------------

int TdxDBGrid::RowHeight() const
{
    if (!View())
        return 1;
    return View()->fontMetrics().height() + 4;
}

int TdxDBGrid::HeaderHeight() const
{
    return FShowHeader && View() ? View()->Header()->height() : 0;
}

int TdxDBGrid::VisibleRowCount() const
{
    return View() ? std::max(1, View()->viewport()->height() / RowHeight()) : 1;
}

QRect TdxDBGrid::RowRect(int row) const
{
    return View() ? QRect(0, row * RowHeight(), View()->viewport()->width(), RowHeight()) : QRect();
}

std::vector<TdxDBGridColumn*> TdxDBGrid::VisibleColumns() const
{
    std::vector<TdxDBGridColumn*> shown;
    const QHeaderView* header = View() ? View()->Header() : nullptr;
    const int count = ColumnCount();
    const bool synced = header && header->count() == count;
    for (int visual = 0; visual < count; ++visual) {
        const int logical = synced ? header->logicalIndex(visual) : visual;
        if (logical >= 0 && logical < count && FColumns[logical]->Visible())
            shown.push_back(FColumns[logical]);
    }
    return shown;
}

QRect TdxDBGrid::CellRect(int row, int column) const
{
    const std::vector<TdxDBGridColumn*> shown = VisibleColumns();
    if (column < 0 || column >= static_cast<int>(shown.size()))
        return {};
    const auto logical = static_cast<int>(std::find(FColumns.begin(), FColumns.end(), shown[column]) - FColumns.begin());
    const QHeaderView* header = View()->Header();
    const QRect rowRect = RowRect(row);
    return QRect(header->sectionViewportPosition(logical), rowRect.top(), header->sectionSize(logical),
                 rowRect.height());
}

int TdxDBGrid::RowAt(int y) const
{
    if (y < 0)
        return -1;
    const int row = y / RowHeight();
    return row < ShownRowCount() ? row : -1;
}

void TdxDBGrid::SetFocusedColumn(int value)
{
    const int count = static_cast<int>(VisibleColumns().size());
    const int column = std::clamp(value, 0, std::max(0, count - 1));
    if (column == FFocusedColumn)
        return;
    CloseEditor(true);
    if (FShownFocus >= 0)
        View()->viewport()->update(RowRect(FShownFocus));
    FFocusedColumn = column;
}

std::string TdxDBGrid::ShownText(int row, int column) const
{
    const std::vector<TdxDBGridColumn*> shown = VisibleColumns();
    if (row < 0 || row >= ShownRowCount() || column < 0 || column >= static_cast<int>(shown.size()))
        return {};
    const auto logical = static_cast<size_t>(std::find(FColumns.begin(), FColumns.end(), shown[column]) - FColumns.begin());
    const std::vector<std::string>& texts = FRows[row];
    return logical < texts.size() ? texts[logical] : std::string();
}

// ---- Following the table ---------------------------------------------------

std::string TdxDBGrid::CellText(int row, std::size_t column, const TField* field) const
{
    std::string text = FLink->AsString(row, field);
    const TdxDBGridColumn* shown = FColumns[column];
    return shown->OnGetText ? shown->OnGetText(FLink->RecordIndex(row), text) : text;
}

void TdxDBGrid::SetMarkedRows(std::vector<int> tableRows)
{
    if (tableRows == FMarked)
        return;
    std::swap(FMarked, tableRows);
    if (!View())
        return;
    // Only the rows that were or are now marked are painted again.
    for (int row = 0; row < ShownRowCount(); ++row) {
        const int tableRow = FLink->RecordIndex(row);
        const bool was = std::find(tableRows.begin(), tableRows.end(), tableRow) != tableRows.end();
        const bool is = std::find(FMarked.begin(), FMarked.end(), tableRow) != FMarked.end();
        if (was != is)
            View()->viewport()->update(RowRect(row));
    }
}

bool TdxDBGrid::ShownMarked(int row) const
{
    if (row < 0 || row >= ShownRowCount())
        return false;
    const int tableRow = FLink->RecordIndex(row);
    return std::find(FMarked.begin(), FMarked.end(), tableRow) != FMarked.end();
}

void TdxDBGrid::SetHighlightFocus(bool value)
{
    FHighlightFocus = value;
    if (View())
        View()->viewport()->update();
}

void TdxDBGrid::LoadRows()
{
    std::vector<TField*> fields;
    for (const TdxDBGridColumn* column : FColumns)
        fields.push_back(column->Visible() ? column->Field() : nullptr);
    const int count = FLink->RecordCount();
    FRows.assign(count, {});
    for (int row = 0; row < count; ++row) {
        FRows[row].resize(fields.size());
        for (size_t c = 0; c < fields.size(); ++c)
            if (fields[c])
                FRows[row][c] = CellText(row, c, fields[c]);
    }
    FShownFocus = FLink->ActiveRecord();
}

void TdxDBGrid::LoadRow(int row)
{
    if (row < 0 || row >= ShownRowCount())
        return;
    for (size_t c = 0; c < FColumns.size() && c < FRows[row].size(); ++c) {
        const TField* field = FColumns[c]->Visible() ? FColumns[c]->Field() : nullptr;
        FRows[row][c] = field ? CellText(row, c, field) : std::string();
    }
}

void TdxDBGrid::UpdateScrollBar()
{
    dxgrid::TGridView* view = View();
    // The scroll area shows the bar when it hears of the range.
    QScrollBar* bar = view->verticalScrollBar();
    const TdxMemData* table = DataSet();
    const int rows = table && table->Active() ? table->RowCount() : 0;
    const int shown = VisibleRowCount();
    if (rows > shown) {
        bar->setRange(1, rows);
        bar->setPageStep(shown);
        bar->setSingleStep(1);
        bar->setValue(std::max(1, table->CurrentRow() + 1));
    } else {
        bar->setRange(0, 0);
    }
    QScrollBar* hbar = view->horizontalScrollBar();
    const int width = view->Header()->length();
    hbar->setRange(0, std::max(0, width - view->viewport()->width()));
    hbar->setPageStep(view->viewport()->width());
    hbar->setSingleStep(8);
}

void TdxDBGrid::Resized()
{
    if (!View())
        return;
    FLink->SetBufferCount(VisibleRowCount());
    // While the table's controls are disabled the grid keeps what it shows.
    const TdxMemData* table = DataSet();
    if (table && table->ControlsDisabled())
        return;
    LoadRows();
    UpdateScrollBar();
    PlaceEditor();
    View()->viewport()->update();
}

void TdxDBGrid::LinkActiveChanged()
{
    FMarked.clear();
    if (!View())
        return;
    CloseEditor(false);
    LoadRows();
    UpdateScrollBar();
    View()->RebuildHeader();
    View()->viewport()->update();
}

void TdxDBGrid::LinkDataChanged()
{
    FMarked.clear();
    if (!View())
        return;
    LoadRows();
    UpdateScrollBar();
    PlaceEditor();
    View()->viewport()->update();
}

void TdxDBGrid::LinkScrolled(int distance)
{
    if (!View())
        return;
    const int focus = FLink->ActiveRecord();
    if (distance == 0 && ShownRowCount() == FLink->RecordCount()) {
        // Only the focus moved: repaint the two rows.
        QWidget* viewport = View()->viewport();
        if (FShownFocus >= 0)
            viewport->update(RowRect(FShownFocus));
        FShownFocus = focus;
        if (FShownFocus >= 0)
            viewport->update(RowRect(FShownFocus));
    } else if (distance != 0 && std::abs(distance) < ShownRowCount() && ShownRowCount() == FLink->RecordCount()) {
        // The window moved by a few rows (as a centred cursor does at each
        // step): the rows that stay in view are moved, not painted again;
        // the rows that come in and the two focus rows are.
        const int oldFocus = FShownFocus - distance;
        LoadRows();
        QWidget* viewport = View()->viewport();
        viewport->scroll(0, -distance * RowHeight());
        const int rows = ShownRowCount();
        for (int row = distance > 0 ? rows - distance : 0; row < (distance > 0 ? rows : -distance); ++row)
            viewport->update(RowRect(row));
        for (const int row : {oldFocus, FShownFocus})
            if (row >= 0 && row < rows)
                viewport->update(RowRect(row));
    } else {
        LoadRows();
        View()->viewport()->update();
    }
    UpdateScrollBar();
    PlaceEditor();
}

void TdxDBGrid::LinkRecordChanged()
{
    if (!View())
        return;
    const int row = FLink->ActiveRecord();
    LoadRow(row);
    if (row >= 0)
        View()->viewport()->update(RowRect(row));
}

void TdxDBGrid::LinkStateChanged()
{
    if (!View())
        return;
    // The record the editor wrote to was posted or dropped.
    if (!Writing(DataSet())) {
        CloseEditor(false);
        FUndoneWrites = false;
    }
    View()->viewport()->update();
}

// ---- Moves -----------------------------------------------------------------

bool TdxDBGrid::CanMove() const
{
    const TdxMemData* table = DataSet();
    return table && table->Active();
}

bool TdxDBGrid::Touched() const
{
    // Writes that Esc took back in the editor do not count.
    const TdxMemData* table = DataSet();
    return table && table->Modified() && !FUndoneWrites;
}

void TdxDBGrid::SettleNow()
{
    CloseEditor(true);
    TdxMemData* table = DataSet();
    if (!Writing(table))
        return;
    if (Touched())
        table->Post();
    else
        table->Cancel();
}

int TdxDBGrid::SettlePending(int tableRow)
{
    // A pending record is posted when written to and dropped otherwise; the
    // row the user pointed at is followed to its new place.
    TdxMemData* table = DataSet();
    const int pending = table->CurrentRow();
    if (Touched()) {
        table->Post();
        const int placed = table->CurrentRow();
        int row = tableRow > pending ? tableRow - 1 : tableRow;
        if (row >= placed)
            ++row;
        return row;
    }
    const bool inserting = table->State() == dsInsert;
    table->Cancel();
    return inserting && tableRow > pending ? tableRow - 1 : tableRow;
}

void TdxDBGrid::MoveTo(int tableRow)
{
    if (!CanMove())
        return;
    TdxMemData* table = DataSet();
    CloseEditor(true);
    if (tableRow == table->CurrentRow() || table->RowCount() == 0)
        return;
    if (Writing(table))
        tableRow = SettlePending(tableRow);
    // One move of the table's cursor: one BeforeScroll/AfterScroll pair.
    const int distance = tableRow - table->CurrentRow();
    if (distance != 0)
        FLink->MoveBy(distance);
}

void TdxDBGrid::PageMove(bool down)
{
    if (!CanMove())
        return;
    const TdxMemData* table = DataSet();
    const int rows = VisibleRowCount();
    const int shown = FLink->RecordCount();
    const int active = FLink->ActiveRecord();
    const int first = FLink->FirstRecord();
    const int current = table->CurrentRow();
    const int step = std::max(1, rows - 1);
    if (down)
        MoveTo(active >= 0 && active < shown - 1 ? first + shown - 1 : current + step);
    else
        MoveTo(active > 0 ? first : current - step);
}

void TdxDBGrid::MouseDown(int x, int y)
{
    FEditorOnPress = false;
    const int row = RowAt(y);
    if (row < 0 || !CanMove())
        return;
    int column = -1;
    const int columns = static_cast<int>(VisibleColumns().size());
    for (int c = 0; c < columns; ++c)
        if (CellRect(row, c).contains(x, y))
            column = c;
    const int target = FLink->RecordIndex(row);
    const bool rowSelect = FOptionsView & edgoRowSelect;
    const bool onFocusedCell =
        !rowSelect && target == DataSet()->CurrentRow() && column >= 0 && column == FFocusedColumn && !Editing();
    MoveTo(target);
    if (!rowSelect && column >= 0)
        SetFocusedColumn(column);
    FEditorOnPress = onFocusedCell && CanEditFocusedCell();
}

void TdxDBGrid::MouseUp(int x, int y)
{
    if (!std::exchange(FEditorOnPress, false))
        return;
    const int row = RowAt(y);
    if (row >= 0 && row == FLink->ActiveRecord() && CellRect(row, FFocusedColumn).contains(x, y))
        ShowEditor(nullptr);
}

void TdxDBGrid::DblClick(int x, int y)
{
    FEditorOnPress = false;
    (void)x;
    // Only a double click on a record is reported.
    const int row = RowAt(y);
    if (row < 0 || !CanMove())
        return;
    MoveTo(FLink->RecordIndex(row));
    Fire(OnDblClick, this);
}

void TdxDBGrid::Wheel(int lines)
{
    if (CanMove() && lines != 0)
        MoveTo(DataSet()->CurrentRow() - lines);
}

void TdxDBGrid::Scroll(TScrollCode code, int position)
{
    if (!CanMove())
        return;
    TdxMemData* table = DataSet();
    const int rows = VisibleRowCount();
    switch (code) {
    case TScrollCode::LineUp:
        MoveTo(FLink->FirstRecord() - 1);
        break;
    case TScrollCode::LineDown:
        MoveTo(FLink->FirstRecord() + FLink->RecordCount());
        break;
    case TScrollCode::PageUp:
        MoveTo(table->CurrentRow() - rows);
        break;
    case TScrollCode::PageDown:
        MoveTo(table->CurrentRow() + rows);
        break;
    case TScrollCode::Top:
        SettleNow();
        table->First();
        break;
    case TScrollCode::Bottom:
        SettleNow();
        table->Last();
        break;
    case TScrollCode::ThumbPosition:
        SettleNow();
        if (position <= 1)
            table->First();
        else if (position >= table->RecordCount())
            table->Last();
        else
            table->SetRecNo(position);
        break;
    }
}

bool TdxDBGrid::KeyDown(int key, bool ctrl, bool shift, const std::string& text)
{
    (void)shift;
    const bool rowSelect = FOptionsView & edgoRowSelect;
    TdxMemData* table = DataSet();
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (CanMove())
            MoveTo(table->CurrentRow() + (key == Qt::Key_Down ? 1 : -1));
        return true;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        PageMove(key == Qt::Key_PageDown);
        return true;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (rowSelect || ctrl) {
            if (CanMove()) {
                SettleNow();
                if (key == Qt::Key_Home)
                    table->First();
                else
                    table->Last();
            }
        } else {
            SetFocusedColumn(key == Qt::Key_Home ? 0 : static_cast<int>(VisibleColumns().size()) - 1);
        }
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (rowSelect)
            return false;
        SetFocusedColumn(FFocusedColumn + (key == Qt::Key_Right ? 1 : -1));
        return true;
    case Qt::Key_Delete:
        if (!ctrl)
            return false;
        DeleteRecord();
        return true;
    case Qt::Key_Insert:
        if (rowSelect || ctrl || shift)
            return false;
        InsertRecord();
        return true;
    case Qt::Key_Escape:
        if (Writing(table)) {
            CloseEditor(false);
            table->Cancel();
            return true;
        }
        return false;
    case Qt::Key_F2:
        if (!CanEditFocusedCell())
            return false;
        ShowEditor(nullptr);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!(FOptionsBehavior & edgoEnterShowEditor) || !CanEditFocusedCell())
            return false;
        ShowEditor(nullptr);
        return true;
    default:
        break;
    }
    // Typing opens the editor with the typed text.
    if (!ctrl && !text.empty() && static_cast<unsigned char>(text[0]) >= 0x20 && text[0] != 0x7f &&
        (FOptionsBehavior & edgoImmediateEditor) && CanEditFocusedCell()) {
        ShowEditor(&text);
        return true;
    }
    return false;
}

void TdxDBGrid::DeleteRecord()
{
    TdxMemData* table = DataSet();
    if (!CanMove() || !(FOptionsDB & edgoCanDelete) || table->RowCount() == 0)
        return;
    CloseEditor(true);
    const int row = table->CurrentRow();
    const int rows = table->RowCount();
    if ((FOptionsDB & edgoConfirmDelete) && !Confirm(View(), "Confirm", "Delete record?"))
        return;
    // Timers run while the box is open: delete only the record the user was
    // asked about, never one the cursor reached meanwhile.
    if (DataSet() == table && table->Active() && table->CurrentRow() == row && table->RowCount() == rows)
        table->Delete();
}

void TdxDBGrid::InsertRecord()
{
    if (!CanMove() || !(FOptionsDB & edgoCanInsert) || !(FOptionsBehavior & edgoEditing))
        return;
    CloseEditor(true);
    DataSet()->Insert();
}

void TdxDBGrid::Exit()
{
    // Without edgoCancelOnExit an untouched new record waits for the user.
    const TdxMemData* table = DataSet();
    if (!(FOptionsDB & edgoCancelOnExit) && table && table->State() == dsInsert && !Touched()) {
        CloseEditor(true);
        return;
    }
    SettleNow();
}

// ---- Editing ---------------------------------------------------------------

bool TdxDBGrid::Editing() const
{
    return FEditorOpen;
}

bool TdxDBGrid::CanEditFocusedCell() const
{
    if ((FOptionsView & edgoRowSelect) || !(FOptionsBehavior & edgoEditing) || !CanMove())
        return false;
    const std::vector<TdxDBGridColumn*> shown = VisibleColumns();
    if (FFocusedColumn >= static_cast<int>(shown.size()))
        return false;
    const TdxDBGridColumn* column = shown[FFocusedColumn];
    return !column->ReadOnly() && column->Field() != nullptr;
}

void TdxDBGrid::ShowEditor(const std::string* typed)
{
    if (Editing() || !CanEditFocusedCell())
        return;
    TdxMemData* table = DataSet();
    // An empty table gets a new record to write to.
    if (!Writing(table))
        table->Edit();
    if (!Writing(table))
        return;
    TField* field = VisibleColumns()[FFocusedColumn]->Field();
    FEditorOriginal = field->AsString();
    FTouchedBeforeEditor = Touched();
    dxgrid::TGridEditor* editor = View()->Editor();
    FEditorOpen = true;
    editor->setText(QString::fromStdString(typed ? *typed : FEditorOriginal));
    if (typed) {
        field->SetAsString(*typed);
        FUndoneWrites = false;
    }
    else
        editor->selectAll();
    PlaceEditor();
    editor->show();
    editor->setFocus();
}

void TdxDBGrid::EditorTextEdited(const std::string& text)
{
    // The field follows the editor, so that nothing typed is lost when the
    // table posts the record by itself (a move, a Locate).
    TdxMemData* table = DataSet();
    if (!Editing() || !Writing(table))
        return;
    const std::vector<TdxDBGridColumn*> shown = VisibleColumns();
    if (FFocusedColumn < static_cast<int>(shown.size()))
        if (TField* field = shown[FFocusedColumn]->Field()) {
            field->SetAsString(text);
            FUndoneWrites = false;
        }
}

void TdxDBGrid::CloseEditor(bool keepText)
{
    dxgrid::TGridView* view = View();
    if (!FEditorOpen)
        return;
    FEditorOpen = false;
    if (!view)
        return;
    dxgrid::TGridEditor* editor = view->Editor();
    if (editor->hasFocus())
        view->setFocus();
    editor->hide();
    TdxMemData* table = DataSet();
    if (!keepText && Writing(table)) {
        const std::vector<TdxDBGridColumn*> shown = VisibleColumns();
        if (FFocusedColumn < static_cast<int>(shown.size()))
            if (TField* field = shown[FFocusedColumn]->Field(); field && field->AsString() != FEditorOriginal)
                field->SetAsString(FEditorOriginal);
        FUndoneWrites = !FTouchedBeforeEditor;
    }
}

void TdxDBGrid::PlaceEditor()
{
    if (!Editing() || !View())
        return;
    const int row = FLink->ActiveRecord();
    const QRect cell = CellRect(row, FFocusedColumn);
    if (row < 0 || cell.isEmpty()) {
        View()->Editor()->hide();
        return;
    }
    View()->Editor()->setGeometry(cell.adjusted(0, 0, FShowGrid ? -1 : 0, FShowGrid ? -1 : 0));
    if (!View()->Editor()->isVisible() && View()->isVisible())
        View()->Editor()->show();
}
