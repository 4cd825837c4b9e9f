#pragma once
// The Qt application (offscreen) and the player's application object, made
// once for a fuzz target that drives widgets. Message boxes are recorded.

#include <QApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "forms/application.h"

namespace fuzz {

// The message boxes shown since the last Boxes().clear().
inline std::vector<std::string>& Boxes()
{
    static std::vector<std::string> boxes;
    return boxes;
}

inline void StartQt()
{
    static bool started = false;
    if (started)
        return;
    started = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    // Both live for the whole run; the process ends without tearing them down.
    new QApplication(argc, argv);
    auto* app = new TApplication;
    app->Initialize();
    app->SetMessageBoxHook([](const std::string&, const std::string& text) { Boxes().push_back(text); });
}

}  // namespace fuzz
