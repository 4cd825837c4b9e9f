#pragma once
// The desktop layer's trace, "player.desktop": off by default,
// QT_LOGGING_RULES="player.desktop.debug=true" turns it on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDesktop)
