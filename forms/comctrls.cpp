#include "forms/comctrls.h"

#include <QEvent>
#include <QMouseEvent>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "forms/application.h"

namespace {

void RunHandler(const std::function<void()>& handler)
{
    if (Application)
        Application->Dispatch(handler);
    else
        handler();
}

}  // namespace

// ---- TTrackBar ----

// Watches the slider's mouse buttons.
class TTrackBar::Filter : public QObject {
public:
    explicit Filter(TTrackBar* owner) : FOwner(owner) {}

    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
            type == QEvent::MouseButtonRelease) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint at = mouse->position().toPoint();
            unsigned buttons = mouse->buttons();
            if (type == QEvent::MouseButtonDblClick)
                buttons |= 0x80000000u;
            FOwner->MouseEvent(type != QEvent::MouseButtonRelease, mouse->button(), mouse->modifiers(), buttons,
                               at.x(), at.y());
        }
        return false;
    }

private:
    TTrackBar* FOwner;
};

TTrackBar::TTrackBar(TComponent* AOwner) : TControl(AOwner, new QSlider(Qt::Horizontal))
{
    QSlider* slider = Slider();
    ++FUpdating;
    slider->setRange(FMin, FMax);
    slider->setValue(FPosition);
    slider->setSingleStep(FLineSize);
    slider->setPageStep(FPageSize);
    slider->setTickInterval(FFrequency);
    --FUpdating;
    FFilter = new Filter(this);
    FFilter->setParent(slider);
    slider->installEventFilter(FFilter);

    // A user step that moves the slider arrives as a value change; one that
    // cannot move it (at an end) only as an action.
    QObject::connect(slider, &QSlider::valueChanged, slider, [this](int value) {
        if (FUpdating > 0)
            return;
        FPosition = value;
        UserStep();
    });
    QObject::connect(slider, &QSlider::actionTriggered, slider, [this](int) {
        if (FUpdating > 0)
            return;
        if (Slider()->sliderPosition() == FPosition)
            UserStep();
    });
}

TTrackBar::~TTrackBar() = default;

QSlider* TTrackBar::Slider() const { return static_cast<QSlider*>(Widget()); }

void TTrackBar::SetMin(int value)
{
    FMin = value;
    if (FMax < FMin)
        FMax = FMin;
    ApplyRange(FPosition);
}

void TTrackBar::SetMax(int value)
{
    FMax = value;
    if (FMin > FMax)
        FMin = FMax;
    ApplyRange(FPosition);
}

void TTrackBar::SetPosition(int value) { ApplyRange(value); }

void TTrackBar::ApplyRange(int newPosition)
{
    const int old = FPosition;
    FPosition = std::clamp(newPosition, FMin, FMax);
    if (QSlider* slider = Slider()) {
        ++FUpdating;
        slider->setRange(FMin, FMax);
        slider->setValue(FPosition);
        --FUpdating;
    }
    if (FPosition != old)
        Changed();
}

void TTrackBar::SetPageSize(int value)
{
    FPageSize = value;
    if (Slider())
        Slider()->setPageStep(value);
}

void TTrackBar::SetLineSize(int value)
{
    FLineSize = value;
    if (Slider())
        Slider()->setSingleStep(value);
}

void TTrackBar::SetFrequency(int value)
{
    FFrequency = value;
    if (Slider())
        Slider()->setTickInterval(value);
}

void TTrackBar::Changed() { Fire(OnChange, this); }

void TTrackBar::UserStep()
{
    if (OnChange)
        RunHandler([this] { OnChange(this); });
}

void TTrackBar::MouseEvent(bool down, int button, unsigned modifiers, unsigned buttons, int x, int y)
{
    const TMouseEvent& event = down ? OnMouseDown : OnMouseUp;
    if (!event)
        return;
    TMouseButton which = TMouseButton::mbLeft;
    if (button == Qt::RightButton)
        which = TMouseButton::mbRight;
    else if (button == Qt::MiddleButton)
        which = TMouseButton::mbMiddle;
    TShiftState shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    if (buttons & Qt::LeftButton)
        shift |= ssLeft;
    if (buttons & Qt::RightButton)
        shift |= ssRight;
    if (buttons & Qt::MiddleButton)
        shift |= ssMiddle;
    if (buttons & 0x80000000u)
        shift |= ssDouble;
    RunHandler([&] { event(this, which, shift, x, y); });
}

// ---- TImageList ----

TImageList::TImageList(TComponent* AOwner, int width, int height)
    : TComponent(AOwner), FWidth(width), FHeight(height)
{
}

int TImageList::Add(const QIcon& image)
{
    FImages.push_back(image);
    return Count() - 1;
}

QIcon TImageList::Image(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return FImages[static_cast<std::size_t>(index)];
}

// ---- TToolButton ----

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner, new QToolButton)
{
    Button()->setAutoRaise(true);
    QObject::connect(Button(), &QToolButton::clicked, Button(), [this] { Click(); });
}

QToolButton* TToolButton::Button() const { return static_cast<QToolButton*>(Widget()); }

void TToolButton::SetImages(TImageList* value)
{
    FImages = value;
    UpdateImage();
}

void TToolButton::SetImageIndex(int value)
{
    FImageIndex = value;
    UpdateImage();
}

void TToolButton::UpdateImage()
{
    if (!Button())
        return;
    Button()->setIcon(FImages ? FImages->Image(FImageIndex) : QIcon());
    if (FImages)
        Button()->setIconSize(QSize(FImages->Width(), FImages->Height()));
}

void TToolButton::Click()
{
    if (OnClick)
        RunHandler([this] { OnClick(this); });
}

// ---- TToolBar ----

TToolBar::TToolBar(TComponent* AOwner) : TControl(AOwner, new QWidget), FClient(new QWidget(Widget()))
{
    auto* layout = new QVBoxLayout(Widget());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(FClient);
}

void TToolBar::SetBorderWidth(int value)
{
    FBorderWidth = std::max(0, value);
    Widget()->layout()->setContentsMargins(FBorderWidth, FBorderWidth, FBorderWidth, FBorderWidth);
}
