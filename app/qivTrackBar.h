#pragma once
// The seek bar: a track bar that publishes the mouse-down and mouse-up events
// every control has, so the window can stop and restart its position updates
// around a drag. Setting onMouseDown is the same as setting OnMouseDown.

#include "forms/comctrls.h"

class TqivTrackBar : public TTrackBar {
public:
    explicit TqivTrackBar(TComponent* AOwner);

    TMouseEvent& onMouseDown;
    TMouseEvent& onMouseUp;
};
