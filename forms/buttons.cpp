#include "forms/buttons.h"

#include <QToolButton>

#include "forms/application.h"

TSpeedButton::TSpeedButton(TComponent* AOwner) : TControl(AOwner, new QToolButton)
{
    Button()->setFocusPolicy(Qt::NoFocus);
    Button()->setIconSize(QSize(16, 16));
    QObject::connect(Button(), &QToolButton::clicked, Button(), [this] { Click(); });
}

QToolButton* TSpeedButton::Button() const { return static_cast<QToolButton*>(Widget()); }

void TSpeedButton::SetFlat(bool value)
{
    FFlat = value;
    if (Button())
        Button()->setAutoRaise(value);
}

void TSpeedButton::SetGlyph(const QIcon& value)
{
    if (Button())
        Button()->setIcon(value);
}

void TSpeedButton::Click()
{
    if (!OnClick)
        return;
    if (Application)
        Application->Dispatch([this] { OnClick(this); });
    else
        OnClick(this);
}
