#pragma once
// A test that hangs is stopped by its runner's timeout without a word on where
// it hung. The watchdog sees each test start; when one runs longer than its
// limit, it prints the test's name and the stacks of every thread (through
// gdb, when installed), then aborts the program.

namespace testing {
class TestEventListeners;
}

// Watches the tests run from now on. The limit in seconds comes from
// PLAYER_TEST_WATCHDOG ("0" turns the watchdog off), else defaultSeconds.
void InstallTestWatchdog(::testing::TestEventListeners& listeners, int defaultSeconds);
