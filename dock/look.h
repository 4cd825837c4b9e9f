#pragma once
// The look of the docking layout, shared by the panels and the host: the
// manager's colours and font on a widget, the images and drawn glyphs, the
// caption bar above a panel's content and the tabs of auto-hidden panels. Also
// the glyphs of the window's media buttons, drawn in the same way.

#include <QAbstractButton>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QWidget>
#include <functional>

#include "dock/dock.h"

class QLabel;
class QToolButton;

// Runs a handler for user input as the outermost handler.
void DockDispatch(const std::function<void()>& handler);

// The options that govern a dock control: its manager's, or the defaults
// (every option) when it has none.
TdxDockingOptions DockOptions(const TdxDockControl* control);

// The drawn pictures of the caption buttons.
enum class TdxGlyph { Pin, Unpin, Float, Dock, Close };
QIcon DockGlyph(TdxGlyph glyph, const QColor& color);

// The pictures of the media buttons, each with the greyed image shown while
// its button is disabled.
enum class TdxMediaGlyph { Play, Pause, Prior, Next, Stop };
// 32 x 16: the normal image and, to its right, the greyed one (an embossed grey copy).
QPixmap MediaGlyphStrip(TdxMediaGlyph glyph);
// The strip's left half for the normal state, its right half for the disabled one.
QIcon MediaGlyphIcon(TdxMediaGlyph glyph);


// The caption above a panel's content: icon, caption and the pin, float and
// close buttons. Presses and double clicks on the caption itself go on to the
// dock widget, which drags, floats and docks the panel.
class TdxCaptionBar : public QWidget {
public:
    enum class Kind { Dock, Slide };
    TdxCaptionBar(TdxDockPanel* panel, Kind kind, QWidget* parent = nullptr);
    // Reads icon, caption, look and the state that decides the buttons.
    void Update();
    QToolButton* PinButton() const { return FPin; }
    QToolButton* FloatButton() const { return FFloat; }
    QToolButton* CloseButton() const { return FClose; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    TdxDockPanel* FPanel;
    Kind FKind;
    QLabel* FIcon;
    QLabel* FText;
    QToolButton* FPin;
    QToolButton* FFloat;
    QToolButton* FClose;
};

// The manager's look for a widget: background, caption font and colour.
void ApplyDockLook(QWidget* widget, const TdxDockingManager* manager);
QFont DockFont(const TdxDockingManager* manager);
QIcon DockImage(const TdxDockingManager* manager, int index);

// A tab of a side bar: the panel's icon and caption, the caption running
// downwards on the left and right bars.
class TdxAutoHideTab : public QAbstractButton {
public:
    TdxAutoHideTab(TdxDockPanel* panel, bool vertical, QWidget* parent);
    TdxDockPanel* Panel() const { return FPanel; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TdxDockPanel* FPanel;
    bool FVertical;
};
