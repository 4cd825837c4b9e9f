#pragma once
// TdxDBGrid: a grid that shows the records of one table (through a
// TDataSource) as rows of cells, one column per declared column, and keeps its
// focused row on the table's current record in both directions.
//
// The grid never copies the table: its data link asks the table for a window
// of as many consecutive records as there are whole rows, and the grid keeps
// only the texts of those rows, which it paints. The table decides where the
// window starts. While the table's controls are disabled the grid keeps
// showing what it showed and draws once at EnableControls.
//
// User input (mouse, keys, scroll bar) reaches the grid's handlers through
// Application->Dispatch, so an error of the table is reported once.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/control.h"

class TDataSource;
class TdxMemData;
class TField;
class TdxDBGrid;
class QRect;

namespace dxgrid {
class TGridView;
class TGridLink;
class TGridEditor;
}  // namespace dxgrid

// A column shows the field named by FieldName.
class TdxDBGridColumn : public TComponent {
public:
    explicit TdxDBGridColumn(TComponent* AOwner);
    ~TdxDBGridColumn() override;

    // The grid the column belongs to; setting it adds the column after the
    // grid's last column (nullptr takes it out).
    TdxDBGrid* Grid() const { return FGrid; }
    void SetGrid(TdxDBGrid* value);

    const std::string& FieldName() const { return FFieldName; }
    void SetFieldName(const std::string& value);
    // Pixels.
    int Width() const { return FWidth; }
    void SetWidth(int value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    // A read-only column never opens an editor.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);

    // The field's display label, or its name when the label is empty; the
    // FieldName while the field cannot be found.
    std::string Caption() const;
    // The field of the grid's table, nullptr when there is none.
    TField* Field() const;

    // The text a cell shows for the field's text in a table row (0-based);
    // unassigned, the field's text itself.
    std::function<std::string(int tableRow, const std::string& text)> OnGetText;

    static constexpr int DefaultWidth = 80;

private:
    friend class TdxDBGrid;
    friend class dxgrid::TGridView;
    void Changed();
    TdxDBGrid* FGrid = nullptr;
    std::string FFieldName;
    int FWidth = DefaultWidth;
    bool FVisible = true;
    bool FReadOnly = false;
};

// A column with an edit mask; the grid treats it as a plain column.
class TdxDBGridMaskColumn : public TdxDBGridColumn {
public:
    using TdxDBGridColumn::TdxDBGridColumn;
};

enum TdxLookAndFeel { lfStandard, lfFlat, lfUltraFlat };

// Option sets are bit masks.
enum TdxDBGridOptionView : unsigned {
    edgoBandHeaderWidth = 1u << 0,  // accepted; the band is as wide as its columns
    edgoRowSelect = 1u << 1,        // highlight the whole row; no focused cell, no editing
    edgoUseBitmap = 1u << 2,        // accepted; drawing is always double-buffered
};
using TdxDBGridOptionsView = unsigned;

enum TdxDBGridOptionBehavior : unsigned {
    edgoAutoSort = 1u << 0,  // sorts only grids that hold all records: never in windowed mode
    edgoDragScroll = 1u << 1,
    edgoEditing = 1u << 2,           // cells can be edited
    edgoEnterShowEditor = 1u << 3,   // Enter opens the editor
    edgoImmediateEditor = 1u << 4,   // typing opens the editor
    edgoTabThrough = 1u << 5,
    edgoVertThrough = 1u << 6,
};
using TdxDBGridOptionsBehavior = unsigned;

enum TdxDBGridOptionDB : unsigned {
    edgoCancelOnExit = 1u << 0,   // leaving the grid drops an untouched new record
    edgoCanDelete = 1u << 1,      // Ctrl+Delete deletes the current record
    edgoCanInsert = 1u << 2,      // Insert begins a new record
    edgoCanNavigation = 1u << 3,
    edgoConfirmDelete = 1u << 4,  // Ctrl+Delete asks first
    edgoUseBookmarks = 1u << 5,
};
using TdxDBGridOptionsDB = unsigned;

enum TdxDBGridOptionCustomize : unsigned {
    edgoBandMoving = 1u << 0,
    edgoBandSizing = 1u << 1,
    edgoColumnMoving = 1u << 2,  // columns can be reordered by dragging their headers
    edgoColumnSizing = 1u << 3,  // columns can be resized by dragging their header edges
};
using TdxDBGridOptionsCustomize = unsigned;


class TdxDBGrid : public TControl {
public:
    explicit TdxDBGrid(TComponent* AOwner);
    ~TdxDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* value);
    // The data source's table, nullptr when there is none.
    TdxMemData* DataSet() const;

    // Columns, in the order they were added (the user may show them in
    // another order by dragging their headers).
    int ColumnCount() const { return static_cast<int>(FColumns.size()); }
    TdxDBGridColumn* Columns(int index) const { return FColumns.at(index); }

    bool ShowHeader() const { return FShowHeader; }
    void SetShowHeader(bool value);
    bool ShowGrid() const { return FShowGrid; }
    void SetShowGrid(bool value);
    TdxLookAndFeel LookAndFeel() const { return FLookAndFeel; }
    void SetLookAndFeel(TdxLookAndFeel value);
    TdxDBGridOptionsView OptionsView() const { return FOptionsView; }
    void SetOptionsView(TdxDBGridOptionsView value);
    TdxDBGridOptionsBehavior OptionsBehavior() const { return FOptionsBehavior; }
    void SetOptionsBehavior(TdxDBGridOptionsBehavior value) { FOptionsBehavior = value; }
    TdxDBGridOptionsDB OptionsDB() const { return FOptionsDB; }
    void SetOptionsDB(TdxDBGridOptionsDB value) { FOptionsDB = value; }
    TdxDBGridOptionsCustomize OptionsCustomize() const { return FOptionsCustomize; }
    void SetOptionsCustomize(TdxDBGridOptionsCustomize value);

    // A double click on a row, after its first click made the row current.
    TNotifyEvent OnDblClick;

    // Geometry, in the coordinates of the row area (the viewport below the
    // header).
    int RowHeight() const;
    int HeaderHeight() const;
    // Whole rows that fit (at least 1): the size of the record window.
    int VisibleRowCount() const;
    // The rectangle of window row `row` (0 is the top row).
    QRect RowRect(int row) const;
    // The rectangle of the cell of window row `row` in the visible column
    // `column` (see VisibleColumns); empty when the column is not shown.
    QRect CellRect(int row, int column) const;
    // Window row at `y`, -1 below the last record or outside the rows.
    int RowAt(int y) const;

    // The visible columns in the order they are shown.
    std::vector<TdxDBGridColumn*> VisibleColumns() const;
    // The focused cell's column among VisibleColumns() (0 with row select).
    int FocusedColumn() const { return FFocusedColumn; }
    void SetFocusedColumn(int value);

    // What the grid shows: the records in its rows (as last drawn from the
    // table) and the focused row, -1 when no record is focused.
    int ShownRowCount() const { return static_cast<int>(FRows.size()); }
    std::string ShownText(int row, int column) const;
    int ShownFocusedRow() const { return FShownFocus; }

    // The in-place editor is open.
    bool Editing() const;

    // Rows of the table (0-based) drawn highlighted as the focused row is,
    // until the table is opened, closed or reloaded.
    const std::vector<int>& MarkedRows() const { return FMarked; }
    void SetMarkedRows(std::vector<int> tableRows);
    // Window row `row` is drawn highlighted as a marked row.
    bool ShownMarked(int row) const;
    // False: the focused row is only outlined, so that the marked rows are
    // the only ones highlighted.
    bool HighlightFocus() const { return FHighlightFocus; }
    void SetHighlightFocus(bool value);

    // The box that confirms a deletion: caption, text; true for OK. Replaced
    // in tests; nullptr restores the message box.
    using TConfirmHook = std::function<bool(const std::string& Caption, const std::string& Text)>;
    static void SetConfirmHook(TConfirmHook hook);

    // Actions of the user, as the widget calls them (inside Dispatch).
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);
    void DblClick(int x, int y);
    // Returns false for a key the grid does not handle.
    bool KeyDown(int key, bool ctrl, bool shift, const std::string& text);
    void Wheel(int notches);
    enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, Top, Bottom, ThumbPosition };
    void Scroll(TScrollCode code, int position = 0);
    // The focus went to another control of the same window.
    void Exit();

private:
    friend class TdxDBGridColumn;
    friend class dxgrid::TGridView;
    friend class dxgrid::TGridLink;
    friend class dxgrid::TGridEditor;

    void AddColumn(TdxDBGridColumn* column);
    void RemoveColumn(TdxDBGridColumn* column);
    void ColumnsChanged();

    // From the data link.
    void LinkActiveChanged();
    void LinkDataChanged();
    void LinkScrolled(int distance);
    void LinkRecordChanged();
    void LinkStateChanged();

    // The shown texts and focus, read from the link's window.
    void LoadRows();
    void LoadRow(int row);
    // The text of a cell of window row `row` (through its column's OnGetText).
    std::string CellText(int row, std::size_t column, const TField* field) const;
    void UpdateScrollBar();
    void Resized();

    // Moves.
    bool CanMove() const;
    bool Touched() const;
    void SettleNow();
    int SettlePending(int tableRow);
    void MoveTo(int tableRow);
    void PageMove(bool down);

    // Editing.
    bool CanEditFocusedCell() const;
    void ShowEditor(const std::string* typed);
    void CloseEditor(bool keepText);
    void EditorTextEdited(const std::string& text);
    void PlaceEditor();
    void DeleteRecord();
    void InsertRecord();

    // The widget; nullptr once a parent widget has freed it.
    dxgrid::TGridView* View() const;

    std::unique_ptr<dxgrid::TGridLink> FLink;
    std::vector<TdxDBGridColumn*> FColumns;
    bool FShowHeader = true;
    bool FShowGrid = true;
    TdxLookAndFeel FLookAndFeel = lfStandard;
    TdxDBGridOptionsView FOptionsView = edgoBandHeaderWidth | edgoUseBitmap;
    TdxDBGridOptionsBehavior FOptionsBehavior = edgoAutoSort | edgoDragScroll | edgoEditing | edgoEnterShowEditor |
                                                edgoImmediateEditor | edgoTabThrough | edgoVertThrough;
    TdxDBGridOptionsDB FOptionsDB = edgoCancelOnExit | edgoCanDelete | edgoCanInsert | edgoCanNavigation |
                                    edgoConfirmDelete | edgoUseBookmarks;
    TdxDBGridOptionsCustomize FOptionsCustomize = edgoBandMoving | edgoBandSizing | edgoColumnMoving |
                                                  edgoColumnSizing;
    int FFocusedColumn = 0;

    // The shown window: texts of each row's visible columns, the focused row.
    std::vector<std::vector<std::string>> FRows;
    int FShownFocus = -1;
    std::vector<int> FMarked;
    bool FHighlightFocus = true;

    // The editor: open, and the text the field held when it opened.
    bool FEditorOpen = false;
    std::string FEditorOriginal;
    bool FTouchedBeforeEditor = false;
    bool FUndoneWrites = false;  // the pending record's only writes were taken back
    bool FEditorOnPress = false;  // a press on the focused cell: open at release
};
