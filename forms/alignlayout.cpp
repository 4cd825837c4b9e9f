#include "forms/alignlayout.h"

#include <QWidget>
#include <QWidgetItem>
#include <algorithm>

TAlignLayout::TAlignLayout(QWidget* parent) : QLayout(parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
}

TAlignLayout::~TAlignLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TAlignLayout::AddAligned(QWidget* widget, TAlign align)
{
    addChildWidget(widget);
    int extent = 0;
    if (align == TAlign::alLeft || align == TAlign::alRight)
        extent = widget->width();
    else if (align == TAlign::alTop || align == TAlign::alBottom)
        extent = widget->height();
    FEntries.append({new QWidgetItem(widget), align, extent});
    invalidate();
}

void TAlignLayout::addItem(QLayoutItem* item)
{
    FEntries.append({item, TAlign::alClient, 0});
}

int TAlignLayout::count() const { return static_cast<int>(FEntries.size()); }

QLayoutItem* TAlignLayout::itemAt(int index) const
{
    return index >= 0 && index < FEntries.size() ? FEntries[index].item : nullptr;
}

QLayoutItem* TAlignLayout::takeAt(int index)
{
    if (index < 0 || index >= FEntries.size())
        return nullptr;
    return FEntries.takeAt(index).item;
}

QSize TAlignLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    for (const Entry& e : FEntries) {
        if (e.align == TAlign::alLeft || e.align == TAlign::alRight)
            width += e.extent;
        else if (e.align == TAlign::alTop || e.align == TAlign::alBottom)
            height += e.extent;
        else {
            width += e.item->sizeHint().width();
            height += e.item->sizeHint().height();
        }
    }
    const QMargins m = contentsMargins();
    return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

QSize TAlignLayout::minimumSize() const
{
    const QMargins m = contentsMargins();
    return {m.left() + m.right(), m.top() + m.bottom()};
}

void TAlignLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    QRect rest = rect.marginsRemoved(contentsMargins());
    // Top and bottom first, then left and right, then the client: the order of
    // aligned controls in a container.
    for (TAlign pass : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight}) {
        for (const Entry& e : FEntries) {
            if (e.align != pass || e.item->isEmpty())
                continue;
            switch (pass) {
            case TAlign::alTop: {
                const int h = std::min(e.extent, rest.height());
                e.item->setGeometry({rest.left(), rest.top(), rest.width(), h});
                rest.setTop(rest.top() + h);
                break;
            }
            case TAlign::alBottom: {
                const int h = std::min(e.extent, rest.height());
                e.item->setGeometry({rest.left(), rest.bottom() - h + 1, rest.width(), h});
                rest.setBottom(rest.bottom() - h);
                break;
            }
            case TAlign::alLeft: {
                const int w = std::min(e.extent, rest.width());
                e.item->setGeometry({rest.left(), rest.top(), w, rest.height()});
                rest.setLeft(rest.left() + w);
                break;
            }
            case TAlign::alRight: {
                const int w = std::min(e.extent, rest.width());
                e.item->setGeometry({rest.right() - w + 1, rest.top(), w, rest.height()});
                rest.setRight(rest.right() - w);
                break;
            }
            default:
                break;
            }
        }
    }
    for (const Entry& e : FEntries)
        if (e.align == TAlign::alClient && !e.item->isEmpty())
            e.item->setGeometry(rest);
}

void AlignIn(QWidget* container, TControl* control, TAlign align)
{
    auto* layout = dynamic_cast<TAlignLayout*>(container->layout());
    if (!layout)
        layout = new TAlignLayout(container);
    layout->AddAligned(control, align);
}
