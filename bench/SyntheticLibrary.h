#pragma once
// A library file of synthetic but realistic entries for the benchmark:
// Japanese and Latin titles, people, notes and paths, 200 category triples,
// and one small PDF per entry in 'ATTD'.

#include <string>

/// Writes a new library at `path` with `entries` entries, their attachment
/// records and PDFs. The PDFs are small (a few hundred bytes), so that the
/// file is mostly records and a sequential read of it is as fast as it gets.
/// Returns false, with a message on stderr, when anything fails.
bool WriteSyntheticLibrary(const std::string& path, int entries);

/// Number of distinct category triples the library holds.
constexpr int kSyntheticTriples = 200;
