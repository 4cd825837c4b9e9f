#pragma once
// Runs a command from the bus on the window's loop once the bus call has
// been answered, as user input runs: an error is reported by the application.

#include <QObject>
#include <functional>

#include "forms/application.h"

namespace desktop {

inline void RunLater(QObject* context, std::function<void()> command)
{
    QMetaObject::invokeMethod(
        context,
        [command = std::move(command)] {
            if (Application)
                Application->Dispatch(command);
            else
                command();
        },
        Qt::QueuedConnection);
}

}  // namespace desktop
