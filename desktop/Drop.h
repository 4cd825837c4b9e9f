#pragma once
// Drag and drop on a window: a folder, or a file that accepts() takes, is
// handed to open() when dropped anywhere on the window, its text boxes too;
// other drags are left to the control under the mouse (text stays text) or
// refused. Only the first dropped item counts.

#include <QObject>
#include <functional>
#include <string>

class QMimeData;
class QWidget;

namespace desktop {

class TDropTarget : public QObject {
public:
    using TAccepts = std::function<bool(const std::string& file)>;
    using TOpen = std::function<void(const std::string& path)>;
    // Makes window accept drops; the target is a child of window.
    TDropTarget(QWidget* window, TAccepts accepts, TOpen open);

    // The local folder or accepted file that the data carries first; empty
    // when there is none.
    std::string DroppedPath(const QMimeData* data) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* FWindow;
    TAccepts FAccepts;
    TOpen FOpen;
};

}  // namespace desktop
