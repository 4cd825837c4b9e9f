#pragma once
// A flat push button that shows a glyph and never takes the focus.

#include <QIcon>

#include "forms/control.h"

class QToolButton;

class TSpeedButton : public TControl {
public:
    explicit TSpeedButton(TComponent* AOwner);

    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    // The glyph; its disabled look comes with the icon's disabled mode.
    void SetGlyph(const QIcon& value);

    // Runs OnClick as a click of the user does.
    void Click();

private:
    QToolButton* Button() const;
    bool FFlat = false;
};
