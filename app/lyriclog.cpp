#include "app/lyriclog.h"

// Debug lines are off until the logging rules turn them on.
Q_LOGGING_CATEGORY(lcLyrics, "player.lyrics", QtInfoMsg)
