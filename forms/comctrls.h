#pragma once
// Track bars, tool buttons and image lists: thin controls over Qt widgets.

#include <QIcon>
#include <string>
#include <vector>

#include "forms/control.h"
#include "forms/controls.h"

class QSlider;
class QToolButton;

// A slider with an integer range. OnChange runs whenever the position
// changes: a program write of Position, Min or Max that moves the position
// fires it before the write returns, a write that leaves the position as it
// was fires nothing, and every scroll step of the user fires it, even a step
// that cannot move the position any further.
class TTrackBar : public TControl {
public:
    explicit TTrackBar(TComponent* AOwner);
    ~TTrackBar() override;

    int Min() const { return FMin; }
    void SetMin(int value);
    int Max() const { return FMax; }
    void SetMax(int value);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int value);
    int LineSize() const { return FLineSize; }
    void SetLineSize(int value);
    // Distance between tick marks.
    int Frequency() const { return FFrequency; }
    void SetFrequency(int value);

    TNotifyEvent OnChange;

protected:
    // Mouse events, raised from the widget's own button presses. A track bar
    // keeps them to itself; a descendant may publish them.
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

private:
    class Filter;
    QSlider* Slider() const;
    void ApplyRange(int newPosition);
    void Changed();
    void UserStep();
    void MouseEvent(bool down, int button, unsigned modifiers, unsigned buttons, int x, int y);

    int FMin = 0;
    int FMax = 10;
    int FPosition = 0;
    int FPageSize = 2;
    int FLineSize = 1;
    int FFrequency = 1;
    int FUpdating = 0;
    Filter* FFilter = nullptr;
};

// A list of equally sized images, referred to by index.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* AOwner, int width = 16, int height = 16);

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return static_cast<int>(FImages.size()); }
    int Add(const QIcon& image);
    // The image at index, or an empty icon when there is none.
    QIcon Image(int index) const;

private:
    int FWidth;
    int FHeight;
    std::vector<QIcon> FImages;
};

// A button of a tool bar that shows one image of the tool bar's image list.
class TToolButton : public TControl {
public:
    explicit TToolButton(TComponent* AOwner);

    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);

    // Runs OnClick as a click of the user does.
    void Click();

private:
    QToolButton* Button() const;
    void UpdateImage();

    TImageList* FImages = nullptr;
    int FImageIndex = -1;
};

// A tool bar: holds controls at their own places, left to right, inside a
// border of BorderWidth pixels, and may give its buttons an image list. It
// draws no edge lines.
class TToolBar : public TControl {
public:
    explicit TToolBar(TComponent* AOwner);

    QWidget* ClientWidget() const override { return FClient; }
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value) { FImages = value; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool value) { FFlat = value; }

private:
    QWidget* FClient;
    int FBorderWidth = 0;
    TImageList* FImages = nullptr;
    bool FFlat = false;
};
