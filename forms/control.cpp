#include "forms/control.h"

TControl::TControl(TComponent* AOwner, QWidget* widget) : TComponent(AOwner), FWidget(widget) {}

TControl::~TControl()
{
    // The widget may already be gone with a parent widget freed before us.
    delete FWidget.data();
}

void TControl::SetParent(TControl* value)
{
    FParent = value;
    SetParentWidget(value ? value->ClientWidget() : nullptr);
}

void TControl::SetParentWidget(QWidget* value)
{
    if (!FWidget)
        return;
    FWidget->setParent(value);
    FWidget->setVisible(FVisible);
}

bool TControl::Visible() const { return FVisible; }

void TControl::SetVisible(bool value)
{
    FVisible = value;
    if (FWidget)
        FWidget->setVisible(value);
}

bool TControl::Enabled() const { return FWidget && FWidget->isEnabled(); }

void TControl::SetEnabled(bool value)
{
    if (FWidget)
        FWidget->setEnabled(value);
}

void TControl::SetHint(const std::string& value)
{
    FHint = value;
    if (FWidget)
        FWidget->setToolTip(FShowHint ? QString::fromStdString(value) : QString());
}

void TControl::SetShowHint(bool value)
{
    FShowHint = value;
    SetHint(FHint);
}

int TControl::Left() const { return FWidget ? FWidget->x() : 0; }
int TControl::Top() const { return FWidget ? FWidget->y() : 0; }
int TControl::Width() const { return FWidget ? FWidget->width() : 0; }
int TControl::Height() const { return FWidget ? FWidget->height() : 0; }

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (FWidget)
        FWidget->setGeometry(left, top, width, height);
}
