#include "desktop/Drop.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "desktop/Later.h"

namespace desktop {

TDropTarget::TDropTarget(QWidget* window, TAccepts accepts, TOpen open)
    : QObject(window), FWindow(window), FAccepts(std::move(accepts)), FOpen(std::move(open))
{
    window->setAcceptDrops(true);
    // The drag events of every control of the window pass here first.
    QCoreApplication::instance()->installEventFilter(this);
}

std::string TDropTarget::DroppedPath(const QMimeData* data) const
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl url = data->urls().first();
    if (!url.isLocalFile())
        return {};
    const QFileInfo file(url.toLocalFile());
    const std::string path = file.absoluteFilePath().toStdString();
    if (file.isDir() || (file.isFile() && FAccepts && FAccepts(path)))
        return path;
    return {};
}

bool TDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != FWindow)
        return false;
    switch (type) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (DroppedPath(drag->mimeData()).empty())
            return false;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::string path = DroppedPath(drop->mimeData());
        if (path.empty())
            return false;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        // After the drop has been answered, so that the source is not held up
        // by what the window does.
        RunLater(this, [open = FOpen, path] {
            if (open)
                open(path);
        });
        return true;
    }
    default:
        return false;
    }
}

}  // namespace desktop
