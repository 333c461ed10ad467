#pragma once
// A write past the process's file size limit (ulimit -f) sends SIGXFSZ,
// whose default action kills the process without a word, possibly in the
// middle of a change. Ignored, the signal leaves the write failing with
// EFBIG ("File too large"), which the usual error paths report.

/// Ignores SIGXFSZ for the whole process. Call once at start.
void IgnoreFileSizeLimitSignal();
