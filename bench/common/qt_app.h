#pragma once
// The Qt side of the benchmark programs that build widgets: the offscreen
// platform unless another is set, Qt's application object and ours.

#include <QApplication>
#include <cstdlib>

#include "forms/application.h"

namespace bench {

class QtApplication {
public:
    QtApplication(int& argc, char** argv) : FQt((OffscreenUnlessSet(), argc), argv) { FApp.Initialize(); }

private:
    static void OffscreenUnlessSet()
    {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    QApplication FQt;
    TApplication FApp;
};

}  // namespace bench
