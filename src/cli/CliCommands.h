#pragma once
// The commands of folian-cli, each run on a parsed command line. Each returns
// the exit code (CliOutput.h) and writes its messages to stderr. Commands
// that change a library take its lock exclusively and commands that read it
// take it shared (CliLibraryLock.h).

#include "cli/CliArgs.h"

/// new LIB: creates an empty library as the application does. Refuses a
/// file that exists already, which creating would replace.
int RunNewCommand(const CliInvocation& invocation);

/// import LIB PATH: imports one PDF or every PDF below a folder, with the
/// categories of --cat1..--cat3 ("その他" when left out). Draws a progress
/// line when stdout is a terminal, lists the files that failed on stderr
/// and ends with 1 when any did. Ctrl-C stops between two files; what was
/// imported until then stays saved.
int RunImportCommand(const CliInvocation& invocation);

/// list LIB: the entries a library window shows for the category choices
/// --cat1..--cat3 ("＜すべて＞" when left out), in the order of --sort or of
/// the library's stored sort keys, one tab-separated line each: en_id,
/// title, the three categories, file name, file size, update date.
int RunListCommand(const CliInvocation& invocation);

/// export LIB DIR ID...: exports the entries with these en_ids into DIR.
int RunExportCommand(const CliInvocation& invocation);

/// delete LIB ID...: deletes the entries with these en_ids.
int RunDeleteCommand(const CliInvocation& invocation);

/// titles-from-pdf LIB ID...: sets the titles and authors of the entries
/// with these en_ids from their PDFs' own document information.
int RunTitlesFromPdfCommand(const CliInvocation& invocation);

/// categories LIB: the three level labels, then every category triple in
/// stored order, tab-separated.
int RunCategoriesCommand(const CliInvocation& invocation);

/// rename-category LIB LEVEL OLD NEW: renames the category OLD of level
/// LEVEL (1..3) to NEW in the category table and in every entry; refuses
/// ＜すべて＞, その他 and a NEW that the level has already.
int RunRenameCategoryCommand(const CliInvocation& invocation);

/// merge LIB OTHER: imports every entry of the library OTHER (only read,
/// whoever holds it) with its PDF and categories under new ids; with
/// --skip-duplicates not those whose PDF LIB holds already. Progress,
/// failures and Ctrl-C as for import.
int RunMergeCommand(const CliInvocation& invocation);

/// compact LIB: rewrites the library without the space of removed items
/// (FlnCompact.h) and says how many bytes that gave back.
int RunCompactCommand(const CliInvocation& invocation);

/// check LIB: the container's tags, member counts and dead bytes, and the
/// damage found; 0 only for an undamaged library. With --fix, first gives
/// every PDF without a digest one.
int RunCheckCommand(const CliInvocation& invocation);

/// recover LIB NEW: writes the new library NEW from every entry, category
/// and PDF that can be read from the damaged library LIB (never written),
/// and lists what was lost; 1 when anything was.
int RunRecoverCommand(const CliInvocation& invocation);

/// upgrade LIB: converts the library to 64-bit offsets (UpgradeLibraryFile)
/// under its lock, with a progress line on a terminal; Ctrl-C stops it and
/// leaves the library as it was.
int RunUpgradeCommand(const CliInvocation& invocation);

/// search LIB QUERY: the entries whose title, file name, people or note
/// contain every word of QUERY (as the library window's filter box finds
/// them), in the order of the library's sort keys, as "list" writes them.
/// With --full-text: the entries whose PDF text holds every term of QUERY on
/// one page ("..." a phrase), most hits first, one line each: en_id, title,
/// hits, the pages with hits. The full-text index is brought in step first.
int RunSearchCommand(const CliInvocation& invocation);

/// index LIB: builds the library's full-text index or brings it in step,
/// with a progress line on a terminal.
int RunIndexCommand(const CliInvocation& invocation);
