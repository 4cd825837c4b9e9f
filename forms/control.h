#pragma once
// A visible component: a thin wrapper that owns one Qt widget and exposes the
// few properties the window uses. Programmatic property writes fire their events
// directly; user input reaches handlers through Application->Dispatch.

#include <QPointer>
#include <QWidget>
#include <string>

#include "forms/component.h"

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TControl : public TComponent {
public:
    // Takes ownership of widget.
    TControl(TComponent* AOwner, QWidget* widget);
    ~TControl() override;

    QWidget* Widget() const { return FWidget; }
    // The widget that the control's children are placed in: its own, unless
    // the control keeps a border of its own around them.
    virtual QWidget* ClientWidget() const { return Widget(); }

    TControl* Parent() const { return FParent; }
    // Places the widget inside another control's client widget (or a plain widget).
    void SetParent(TControl* value);
    void SetParentWidget(QWidget* value);

    bool Visible() const;
    void SetVisible(bool value);
    bool Enabled() const;
    void SetEnabled(bool value);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);

    TNotifyEvent OnClick;

private:
    QPointer<QWidget> FWidget;
    TControl* FParent = nullptr;
    std::string FHint;
    bool FShowHint = false;
    bool FVisible = true;
};
