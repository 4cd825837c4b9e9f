// The grid's widgets: painting, geometry and the translation of Qt input into
// the grid's handlers.

#include "table/dxDBGridView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyle>
#include <QStyleOption>
#include <QStyleOptionSlider>
#include <QTextLayout>
#include <QWheelEvent>
#include <QtGlobal>

#include "forms/application.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

namespace dxgrid {

void Handle(const std::function<void()>& handler)
{
    if (Application) {
        Application->Dispatch(handler);
        return;
    }
    // No application object: nothing can show the error, but it must not
    // unwind through Qt.
    try {
        handler();
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
}

// ---- Link ------------------------------------------------------------------

void TGridLink::ActiveChanged() { FGrid->LinkActiveChanged(); }
void TGridLink::DataSetChanged() { FGrid->LinkDataChanged(); }
void TGridLink::DataSetScrolled(int distance) { FGrid->LinkScrolled(distance); }
void TGridLink::RecordChanged(TField*) { FGrid->LinkRecordChanged(); }
void TGridLink::LayoutChanged() { FGrid->ColumnsChanged(); }
void TGridLink::StateChanged() { FGrid->LinkStateChanged(); }

// ---- Header ----------------------------------------------------------------

TGridHeader::TGridHeader(TdxDBGrid* grid, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), FGrid(grid)
{
    // Clicking a caption never sorts: the rows follow the table's order.
    setSectionsClickable(false);
    setSortIndicatorShown(false);
    setHighlightSections(false);
    setStretchLastSection(false);
    setMinimumSectionSize(8);
}

void TGridHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (FGrid->LookAndFeel() == lfStandard) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const QPalette& pal = palette();
    painter->save();
    painter->fillRect(rect, pal.color(QPalette::Button));
    painter->setPen(pal.color(FGrid->LookAndFeel() == lfFlat ? QPalette::Dark : QPalette::Mid));
    painter->drawLine(rect.topRight(), rect.bottomRight());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    if (FGrid->LookAndFeel() == lfFlat) {
        painter->setPen(pal.color(QPalette::Light));
        painter->drawLine(rect.topLeft(), rect.topRight() - QPoint(1, 0));
        painter->drawLine(rect.topLeft(), rect.bottomLeft() - QPoint(0, 1));
    }
    painter->setPen(pal.color(QPalette::ButtonText));
    const QString text = model() ? model()->headerData(logicalIndex, Qt::Horizontal).toString() : QString();
    const QRect textRect = rect.adjusted(3, 0, -3, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                      fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
    painter->restore();
}

// A caption's size in the font it is painted in. Qt's own measure takes the
// bold face of highlighted sections, which this header never shows, and
// loading that face (a CJK one for Chinese captions) costs the window's start.
QSize TGridHeader::sectionSizeFromContents(int logicalIndex) const
{
    ensurePolished();
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.section = logicalIndex;
    option.fontMetrics = fontMetrics();
    if (model())
        option.text = model()->headerData(logicalIndex, Qt::Horizontal).toString();
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
}

// ---- Editor ----------------------------------------------------------------

TGridEditor::TGridEditor(TdxDBGrid* grid, QWidget* parent) : QLineEdit(parent), FGrid(grid)
{
    setFrame(false);
    hide();
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { Handle([&] { FGrid->EditorTextEdited(text.toStdString()); }); });
}

void TGridEditor::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        Handle([&] { FGrid->CloseEditor(false); });
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Handle([&] { FGrid->CloseEditor(true); });
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        // Leaving the cell: the text stays, the grid handles the move.
        const bool ctrl = event->modifiers() & Qt::ControlModifier;
        const bool shift = event->modifiers() & Qt::ShiftModifier;
        const int key = event->key();
        Handle([&] {
            FGrid->CloseEditor(true);
            FGrid->KeyDown(key, ctrl, shift, std::string());
        });
        return;
    }
    default:
        QLineEdit::keyPressEvent(event);
    }
}

// ---- View ------------------------------------------------------------------

namespace {

// The row area's vertical bar. A cursor step of a long table often leaves
// the thumb on the same pixels: then the bar is not painted again. It fills
// its own background, so that what lies behind it is not painted either.
class TGridScrollBar : public QScrollBar {
public:
    TGridScrollBar() : QScrollBar(Qt::Vertical) { setAutoFillBackground(true); }

protected:
    void sliderChange(SliderChange change) override
    {
        if (change == SliderValueChange && FShown && Look() == FShownLook && !underMouse() && !isSliderDown())
            return;
        QScrollBar::sliderChange(change);
    }

    void paintEvent(QPaintEvent* event) override
    {
        FShownLook = Look();
        FShown = true;
        QScrollBar::paintEvent(event);
    }

private:
    // What a value change can alter on the screen: where the thumb stands and
    // whether the bar is at either end.
    struct TLook {
        QRect Thumb;
        bool AtMinimum = false;
        bool AtMaximum = false;
        bool operator==(const TLook&) const = default;
    };

    TLook Look() const
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
    }

    TLook FShownLook;
    bool FShown = false;
};

}  // namespace

TGridView::TGridView(TdxDBGrid* grid)
    : FGrid(grid), FHeader(new TGridHeader(grid, this)), FHeaderModel(new QStandardItemModel(0, 0, this)),
      FEditor(new TGridEditor(grid, viewport()))
{
    setVerticalScrollBar(new TGridScrollBar);
    setFocusPolicy(Qt::StrongFocus);
    // Every row is painted over a filled background: no flicker, no erase.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    FHeader->setModel(FHeaderModel);
    FHeader->setFocusPolicy(Qt::NoFocus);

    // The scroll bar moves the table's cursor; it has no position of its own.
    verticalScrollBar()->setTracking(false);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this](int action) { ScrollBarAction(action); });
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int value) {
        FHeader->setOffset(value);
        Handle([&] { FGrid->PlaceEditor(); });
        viewport()->update();
    });
    connect(FHeader, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (FSyncingHeader)
            return;
        Handle([&] {
            if (logical < FGrid->ColumnCount())
                FGrid->Columns(logical)->FWidth = size;
            FGrid->UpdateScrollBar();
            FGrid->PlaceEditor();
        });
        viewport()->update();
    });
    connect(FHeader, &QHeaderView::sectionMoved, this, [this](int, int, int) {
        Handle([&] {
            FGrid->SetFocusedColumn(FGrid->FocusedColumn());
            FGrid->PlaceEditor();
        });
        viewport()->update();
    });

    // Leaving the grid for another control of its window ends a pending edit.
    FFocusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        const auto inside = [this](QWidget* w) { return w && (w == this || isAncestorOf(w)); };
        if (inside(old) && !inside(now) && now && now->window() == window())
            Handle([&] { FGrid->Exit(); });
    });
}

TGridView::~TGridView()
{
    disconnect(FFocusWatch);
}

void TGridView::UpdateFrame()
{
    switch (FGrid->LookAndFeel()) {
    case lfStandard:
        setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        break;
    case lfFlat:
    case lfUltraFlat:
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
        break;
    }
    FHeader->viewport()->update();
}

void TGridView::UpdateGeometries()
{
    const int height = FGrid->ShowHeader() ? FHeader->sizeHint().height() : 0;
    FHeader->setVisible(FGrid->ShowHeader());
    setViewportMargins(0, height, 0, 0);
    const QRect area = viewport()->geometry();
    FHeader->setGeometry(area.left(), area.top() - height, area.width(), height);
}

void TGridView::RebuildHeader()
{
    FSyncingHeader = true;
    const int count = FGrid->ColumnCount();
    if (FHeaderModel->columnCount() != count)
        FHeaderModel->setColumnCount(count);
    for (int i = 0; i < count; ++i) {
        const TdxDBGridColumn* column = FGrid->Columns(i);
        FHeaderModel->setHeaderData(i, Qt::Horizontal, QString::fromStdString(column->Caption()));
        FHeader->resizeSection(i, column->Width());
        FHeader->setSectionHidden(i, !column->Visible());
    }
    const TdxDBGridOptionsCustomize custom = FGrid->OptionsCustomize();
    FHeader->setSectionResizeMode((custom & edgoColumnSizing) ? QHeaderView::Interactive : QHeaderView::Fixed);
    FHeader->setSectionsMovable(custom & edgoColumnMoving);
    FSyncingHeader = false;
    UpdateGeometries();
}

void TGridView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Active, QPalette::Base));
    PaintRows(painter, event->rect());
}

void TGridView::PaintRows(QPainter& painter, const QRect& area)
{
    const int rows = FGrid->ShownRowCount();
    if (rows == 0)
        return;
    const std::vector<TdxDBGridColumn*> columns = FGrid->VisibleColumns();
    const bool rowSelect = FGrid->OptionsView() & edgoRowSelect;
    // The focused record keeps the highlight also without the input focus.
    const QColor highlight = palette().color(QPalette::Active, QPalette::Highlight);
    const QColor highlightText = palette().color(QPalette::Active, QPalette::HighlightedText);
    const QColor text = palette().color(QPalette::Active, QPalette::Text);
    const QColor line = palette().color(QPalette::Active, QPalette::Mid);
    const QFontMetrics metrics = fontMetrics();
    for (int row = 0; row < rows; ++row) {
        const QRect rowRect = FGrid->RowRect(row);
        if (!rowRect.intersects(area))
            continue;
        const bool focusedRow = row == FGrid->ShownFocusedRow();
        const bool marked = FGrid->ShownMarked(row);
        for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
            const QRect cell = FGrid->CellRect(row, c);
            if (cell.isEmpty() || !cell.intersects(area))
                continue;
            const bool focusedCell = focusedRow && (rowSelect || c == FGrid->FocusedColumn());
            const bool focused = marked || (focusedCell && FGrid->HighlightFocus());
            if (focused)
                painter.fillRect(cell, highlight);
            else if (focusedCell) {
                painter.setPen(QPen(highlight, 1, Qt::DotLine));
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
            if (FGrid->ShowGrid()) {
                painter.setPen(line);
                painter.drawLine(cell.topRight(), cell.bottomRight());
                painter.drawLine(cell.bottomLeft(), cell.bottomRight());
            }
            painter.setPen(focused ? highlightText : text);
            const QRect textRect = cell.adjusted(2, 0, -3, 0);
            const QString value = QString::fromStdString(FGrid->ShownText(row, c));
            // Centred on the height of its own line, as drawText centres it.
            const TLaidOutText& laidOut = LaidOut(metrics, value, textRect.width());
            laidOut.layout->draw(&painter,
                                 QPointF(textRect.left(), textRect.top() + (textRect.height() - laidOut.height) / 2));
        }
    }
}

const TGridView::TLaidOutText& TGridView::LaidOut(const QFontMetrics& metrics, const QString& text, int width)
{
    // The rows painted again after a step mostly show texts painted before.
    if (font() != FLaidOutFont || FLaidOut.size() > 1024) {
        FLaidOut.clear();
        FLaidOutFont = font();
    }
    auto found = FLaidOut.find({text, width});
    if (found != FLaidOut.end())
        return *found;
    const auto layOut = [this](const QString& shown) {
        auto layout = std::make_shared<QTextLayout>(shown, font());
        layout->setCacheEnabled(true);
        layout->beginLayout();
        layout->createLine();
        layout->endLayout();
        return layout;
    };
    std::shared_ptr<QTextLayout> layout = layOut(text);
    if (layout->lineCount() == 1 && layout->lineAt(0).naturalTextWidth() > width)
        layout = layOut(metrics.elidedText(text, Qt::ElideRight, width));
    // A line in a fallback font (Chinese in a Latin font) is as high as the
    // fallback's ascent and descent.
    const QTextLine line = layout->lineCount() == 1 ? layout->lineAt(0) : QTextLine();
    const qreal height = line.isValid() ? line.ascent() + line.descent() : metrics.ascent() + metrics.descent();
    return *FLaidOut.insert({text, width}, TLaidOutText{std::move(layout), height});
}

void TGridView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateGeometries();
    Handle([&] { FGrid->Resized(); });
}

void TGridView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    Handle([&] { FGrid->MouseDown(at.x(), at.y()); });
}

void TGridView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    Handle([&] { FGrid->MouseUp(at.x(), at.y()); });
}

void TGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Our own handling: the press before it already made the row current,
    // and the double click is reported once.
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    Handle([&] { FGrid->DblClick(at.x(), at.y()); });
}

void TGridView::keyPressEvent(QKeyEvent* event)
{
    bool handled = false;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const int key = event->key();
    const std::string text = event->text().toStdString();
    Handle([&] { handled = FGrid->KeyDown(key, ctrl, shift, text); });
    if (!handled)
        event->ignore();
}

void TGridView::wheelEvent(QWheelEvent* event)
{
    // A notch (120) moves the cursor by the system's wheel lines.
    FWheelDelta += event->angleDelta().y();
    const int notches = FWheelDelta / 120;
    if (notches == 0)
        return;
    FWheelDelta -= notches * 120;
    const int lines = notches * QApplication::wheelScrollLines();
    Handle([&] { FGrid->Wheel(lines); });
}

void TGridView::scrollContentsBy(int, int)
{
    // Nothing to shift: the rows are painted from the table's window (the
    // vertical bar only shows the cursor), and a horizontal scroll repaints
    // where the bar's value is taken.
}

void TGridView::ScrollBarAction(int action)
{
    QScrollBar* bar = verticalScrollBar();
    using Code = TdxDBGrid::TScrollCode;
    const int position = bar->sliderPosition();
    Handle([&] {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            FGrid->Scroll(Code::LineUp);
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            FGrid->Scroll(Code::LineDown);
            break;
        case QAbstractSlider::SliderPageStepSub:
            FGrid->Scroll(Code::PageUp);
            break;
        case QAbstractSlider::SliderPageStepAdd:
            FGrid->Scroll(Code::PageDown);
            break;
        case QAbstractSlider::SliderToMinimum:
            FGrid->Scroll(Code::Top);
            break;
        case QAbstractSlider::SliderToMaximum:
            FGrid->Scroll(Code::Bottom);
            break;
        case QAbstractSlider::SliderMove:
            // Nothing happens while the thumb is dragged; its release lands here.
            if (!bar->isSliderDown())
                FGrid->Scroll(Code::ThumbPosition, position);
            break;
        default:
            break;
        }
    });
    // The bar shows the table's cursor, wherever the action took it.
    const TdxMemData* table = FGrid->DataSet();
    const int recNo = table && table->Active() ? table->CurrentRow() + 1 : 0;
    bar->setSliderPosition(std::clamp(recNo, bar->minimum(), bar->maximum()));
}

}  // namespace dxgrid
