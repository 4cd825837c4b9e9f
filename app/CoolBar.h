#pragma once
// A cool bar: bands stacked from top to bottom, each with a grip on its left
// and one control (a tool bar) beside it. With AutoSize the bar is as high as
// its bands.

#include <vector>

#include "forms/control.h"

class TCoolBar : public TControl {
public:
    explicit TCoolBar(TComponent* AOwner);

    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);

    // Adds a band below the others, holding control; the band is at least
    // minHeight high and width wide.
    void AddBand(TControl* control, int minHeight, int width);
    int BandCount() const { return static_cast<int>(FBands.size()); }
    TControl* BandControl(int index) const { return FBands.at(static_cast<std::size_t>(index)).control; }
    // The band's place in the bar, in the bar's coordinates.
    QRect BandRect(int index) const;

    // Places the bands' controls (and, with AutoSize, the bar's height).
    void Arrange();

    // Width of the grip in front of each band's control.
    static constexpr int GripWidth = 11;
    // Frame around each band: one etched line above and below.
    static constexpr int BandFrame = 3;

private:
    class Widget;
    struct Band {
        TControl* control;
        int minHeight;
        int width;
    };
    int BandHeight(const Band& band) const;

    bool FAutoSize = false;
    std::vector<Band> FBands;
};
