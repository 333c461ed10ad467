#pragma once
// Damage to a full-text index file that opening it does not see: one
// table's first page overwritten, deep in the file, as a failing disk or
// another program would leave it. For the tests of an index made again when
// its use meets damage.

#include <QString>

/// Overwrites the first page of `table` (a table of the index, or one of
/// the tables FTS5 keeps its index in: pages_data, pages_content, ...) in
/// the closed index file at `path` with bytes that are no page. A test
/// failure when the table is not there or the file cannot be written.
void DamageIndexTable(const QString& path, const char* table);
