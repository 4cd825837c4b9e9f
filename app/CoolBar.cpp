#include "app/CoolBar.h"

#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

class TCoolBar::Widget : public QWidget {
public:
    explicit Widget(TCoolBar* bar) : FBar(bar) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (!FBar)
            return;
        QPainter p(this);
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Mid);
        for (int i = 0; i < FBar->BandCount(); ++i) {
            const QRect band = FBar->BandRect(i);
            // An etched line under the band, and two raised ridges for the grip.
            p.setPen(dark);
            p.drawLine(band.left(), band.bottom() - 1, band.right(), band.bottom() - 1);
            p.setPen(light);
            p.drawLine(band.left(), band.bottom(), band.right(), band.bottom());
            for (int x : {band.left() + 3, band.left() + 6}) {
                p.setPen(light);
                p.drawLine(x, band.top() + 2, x, band.bottom() - 4);
                p.setPen(dark);
                p.drawLine(x + 1, band.top() + 2, x + 1, band.bottom() - 4);
            }
        }
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        if (FBar)
            FBar->Arrange();
    }

private:
    TCoolBar* FBar;
};

TCoolBar::TCoolBar(TComponent* AOwner) : TControl(AOwner, new Widget(this)) {}

void TCoolBar::SetAutoSize(bool value)
{
    FAutoSize = value;
    Arrange();
}

void TCoolBar::AddBand(TControl* control, int minHeight, int width)
{
    control->SetParent(this);
    FBands.push_back({control, minHeight, width});
    Arrange();
}

int TCoolBar::BandHeight(const Band& band) const
{
    return std::max(band.minHeight, band.control->Height()) + BandFrame;
}

QRect TCoolBar::BandRect(int index) const
{
    int top = 0;
    for (int i = 0; i < index; ++i)
        top += BandHeight(FBands.at(static_cast<std::size_t>(i)));
    const Band& band = FBands.at(static_cast<std::size_t>(index));
    const int width = std::max(band.width, TControl::Width() - 2);
    return QRect(1, top, width, BandHeight(band));
}

void TCoolBar::Arrange()
{
    int height = 0;
    for (int i = 0; i < BandCount(); ++i) {
        const QRect band = BandRect(i);
        const Band& b = FBands.at(static_cast<std::size_t>(i));
        b.control->Widget()->setGeometry(band.left() + GripWidth, band.top() + 1, band.width() - GripWidth,
                                         band.height() - BandFrame);
        height = band.bottom() + 1;
    }
    if (FAutoSize && BandCount() > 0)
        TControl::Widget()->setFixedHeight(height);
    TControl::Widget()->update();
}
