#pragma once
// The widgets behind TdxDBGrid: a scroll area whose viewport paints the shown
// rows, a header over it, and the in-place editor. They turn Qt's input into
// calls of the grid's handlers, each through Application->Dispatch.

#include <QAbstractScrollArea>
#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QTextLayout>
#include <functional>
#include <memory>

#include "table/datasource.h"

class TdxDBGrid;
class QStandardItemModel;

namespace dxgrid {

// Runs a handler of user input as the outermost handler: an error is shown
// by the application and never reaches Qt.
void Handle(const std::function<void()>& handler);

// Follows the grid's table for the grid.
class TGridLink : public TDataLink {
public:
    explicit TGridLink(TdxDBGrid* grid) : FGrid(grid) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(TField* field) override;
    void LayoutChanged() override;
    void StateChanged() override;

private:
    TdxDBGrid* FGrid;
};

// Column captions; draws flat unless the grid's look is standard.
class TGridHeader : public QHeaderView {
public:
    TGridHeader(TdxDBGrid* grid, QWidget* parent);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    TdxDBGrid* FGrid;
};

class TGridEditor : public QLineEdit {
public:
    TGridEditor(TdxDBGrid* grid, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    TdxDBGrid* FGrid;
};

class TGridView : public QAbstractScrollArea {
public:
    explicit TGridView(TdxDBGrid* grid);
    ~TGridView() override;

    TGridHeader* Header() const { return FHeader; }
    QStandardItemModel* HeaderModel() const { return FHeaderModel; }
    TGridEditor* Editor() const { return FEditor; }

    // Header shown or hidden, look changed: the row area's place.
    void UpdateGeometries();
    // The header's sections from the grid's columns.
    void RebuildHeader();
    void UpdateFrame();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void ScrollBarAction(int action);
    void PaintRows(QPainter& painter, const QRect& area);
    // text cut to width with an ellipsis, as the font's metrics cut it, and
    // laid out once: a row painted again draws the glyphs it drew before.
    // Most texts fit: they are shaped once, for both the test and the paint.
    struct TLaidOutText {
        std::shared_ptr<QTextLayout> layout;
        qreal height = 0;  // of its line: ascent and descent of the fonts it uses
    };
    const TLaidOutText& LaidOut(const QFontMetrics& metrics, const QString& text, int width);

    TdxDBGrid* FGrid;
    TGridHeader* FHeader;
    QStandardItemModel* FHeaderModel;
    TGridEditor* FEditor;
    QMetaObject::Connection FFocusWatch;
    int FWheelDelta = 0;
    bool FSyncingHeader = false;
    QFont FLaidOutFont;
    QHash<std::pair<QString, int>, TLaidOutText> FLaidOut;
};

}  // namespace dxgrid
