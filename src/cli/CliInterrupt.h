#pragma once
// Ctrl-C during a long command: the first SIGINT or SIGTERM only asks the
// command to stop at its next safe point (an import between two files), so
// that what it has done stays whole and saved; a second one ends the
// process at once, as usual.

/// Installs the handlers; from then on InterruptRequested() tells whether a
/// signal came.
void WatchForInterrupt();

/// True once SIGINT or SIGTERM arrived after WatchForInterrupt().
bool InterruptRequested();
