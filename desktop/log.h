#pragma once
// The desktop layer's trace, "player.desktop" (off by default).

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
