#include "dock/icons.h"

#include <QIcon>
#include <QPainter>

#include "forms/comctrls.h"

QPixmap DockTreeIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    // Dotted branch lines from a root box down to three child boxes.
    p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
    p.drawLine(3, 5, 3, 13);
    p.drawLine(3, 8, 7, 8);
    p.drawLine(3, 13, 7, 13);
    p.drawLine(8, 5, 8, 4);
    const QColor folder(222, 178, 60);
    const QColor edge(140, 100, 20);
    auto box = [&](int x, int y, int w, int h) {
        p.fillRect(x, y, w, h, folder);
        p.setPen(edge);
        p.drawRect(x, y, w - 1, h - 1);
    };
    box(0, 0, 7, 5);
    box(7, 6, 8, 5);
    box(7, 11, 8, 5);
    return pixmap;
}

QPixmap DockDocumentIcon()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    // A white page with a folded corner and lines of text.
    const QPolygon page({QPoint(2, 0), QPoint(10, 0), QPoint(13, 3), QPoint(13, 15), QPoint(2, 15)});
    p.setBrush(Qt::white);
    p.setPen(QColor(90, 90, 90));
    p.drawPolygon(page);
    p.drawLine(10, 0, 10, 3);
    p.drawLine(10, 3, 13, 3);
    p.setPen(QColor(40, 90, 200));
    for (int y = 5; y <= 13; y += 2)
        p.drawLine(4, y, y == 13 ? 8 : 11, y);
    return pixmap;
}

void FillDockIcons(TImageList* list)
{
    list->Add(QIcon(DockTreeIcon()));
    list->Add(QIcon(DockDocumentIcon()));
    for (int i = 2; i < 12; ++i) {
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        list->Add(QIcon(blank));
    }
}
