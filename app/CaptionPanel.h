#pragma once
// A captioned panel of the window: a title line over a client area that
// holds the panel's controls.

#include <string>

#include "forms/control.h"

class QLabel;

class TCaptionPanel : public TControl {
public:
    explicit TCaptionPanel(TComponent* AOwner);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& value);
    // The area the panel's controls go into.
    QWidget* ClientArea() const { return FClient; }

private:
    std::string FCaption;
    QLabel* FTitle = nullptr;
    QWidget* FClient = nullptr;
};
