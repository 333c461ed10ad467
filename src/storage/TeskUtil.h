#pragma once
// Support functions: the current time as a date string, reading a whole file,
// and the user's preferences folder.

#include <cstddef>

/// Writes the 17-digit date string of Clock::now() (local time, milliseconds
/// truncated) and a zero byte; writes nothing when `size` is below 18 (or when
/// the clock's date cannot be written in 17 digits, see FLN_COMM_NSDateToString).
void Tesk_GetCurrentTimeAsString(char* dest, size_t size);
/// Reads the whole file into a new buffer one byte longer than the file,
/// zero-terminated; *out receives it (release with free) and the result is 1.
/// Returns 0 with *out null when the file cannot be read or is not a regular file.
int Tesk_ReadBuffer_fromFile(const char* path, char** out);
/// Writes the user's preferences folder followed by "/" into `dest` (at least
/// `size` bytes) and returns 1; 0 and nothing written when it cannot be found
/// or does not fit. The folder is looked up, not created.
int Tesk_GetUserPreferencePath(char* dest, size_t size);
