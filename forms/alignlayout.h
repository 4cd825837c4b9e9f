#pragma once
// Places child widgets the way aligned controls sit in a container: top and
// bottom children take their height across the whole width, left and right
// children take their width in what remains, and the client child fills the
// rest. Children are laid out in the order they were added.

#include <QLayout>
#include <QList>

#include "forms/control.h"

class TAlignLayout : public QLayout {
public:
    explicit TAlignLayout(QWidget* parent = nullptr);
    ~TAlignLayout() override;

    // Adds a widget with an alignment; its present width (left, right) or
    // height (top, bottom) is kept.
    void AddAligned(QWidget* widget, TAlign align);
    void AddAligned(TControl* control, TAlign align) { AddAligned(control->Widget(), align); }

    void addItem(QLayoutItem* item) override;
    int count() const override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect& rect) override;

private:
    struct Entry {
        QLayoutItem* item;
        TAlign align;
        int extent;  // width for left/right, height for top/bottom
    };
    QList<Entry> FEntries;
};

// Puts a control into a container widget with an alignment, creating the
// container's aligning layout when it has none.
void AlignIn(QWidget* container, TControl* control, TAlign align);
