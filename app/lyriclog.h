#pragma once
// The window's lyric logging category, "player.lyrics": off by default,
// QT_LOGGING_RULES="player.lyrics.debug=true" turns it on. Checks outside the
// tests read its lines, so their forms stay as they are written.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLyrics)
