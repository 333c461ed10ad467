#include "cli/CliUsage.h"

#include "cli/CliOutput.h"
#include "cli/CliSortOption.h"

namespace {

const char* DescriptionOf(CliCommand command) {
  switch (command) {
    case CliCommand::New:
      return "Creates a new, empty library file LIB, exactly as Folian's \"New\" does: the\n"
             "levels 分類１, 分類２, 分類３ and the category その他 on each. An existing file\n"
             "is never replaced.\n";
    case CliCommand::Import:
      return "Imports the PDF file PATH, or every file ending in \".pdf\" (in any case:\n"
             "\".PDF\" too) below the folder PATH, into LIB. A metadata text file (.flx)\n"
             "beside a PDF gives its entry's fields; other PDFs are filed under the\n"
             "categories given (その他 by default), titled and authored as the PDF's own\n"
             "document information (or XMP metadata) names them where it names plausible\n"
             "ones, else titled by their file names. On a terminal a progress line shows the\n"
             "count and the current file. Files that could not be imported are listed at\n"
             "the end and make the exit code 1; a file that is no PDF is imported as asked\n"
             "and named as \"not a PDF\".\n"
             "Ctrl-C stops between two files; what was imported until then stays saved\n"
             "(exit code 130). A file whose bytes the library holds already is named on\n"
             "stderr (\"already in the library\") and imported again unless\n"
             "--skip-duplicates is given. A metadata text file that is not a regular file\n"
             "or is larger than 64 KiB makes its PDF fail.\n"
             "\n"
             "  --cat1 NAME, --cat2 NAME, --cat3 NAME   categories of levels 1, 2, 3\n"
             "  --skip-duplicates                       do not import files already in the library\n"
             "  --title-from-file-name                  title every entry by its file name\n";
    case CliCommand::List:
      return "Lists the entries that a library window shows when the category lists\n"
             "select NAME (＜すべて＞, all, by default), in the window's order: sorted by\n"
             "the keys of --sort, or else by the sort keys stored in the library. A \"-\"\n"
             "before a key sorts descending; entries equal on every key come with the\n"
             "greater en_id first.\n"
             "\n"
             "  --cat1 NAME, --cat2 NAME, --cat3 NAME   category chosen on levels 1, 2, 3\n"
             "  --sort KEY[,KEY[,KEY]]                  up to three column keys, e.g. -fileSize,title\n"
             "\n"
             "One line per entry, fields separated by tabs: en_id, title, category 1, 2, 3,\n"
             "file name, file size in bytes, update date (YYYYMMDDhhmmssmmm, local time).\n"
             "A backslash, tab, line feed or carriage return inside a field is written as\n"
             "\\\\, \\t, \\n or \\r.\n";
    case CliCommand::Export:
      return "Exports the PDFs of the entries with the given en_ids (as \"list\" shows them)\n"
             "into the folder DIR, each with its metadata text file (.flx) beside it. No\n"
             "file is overwritten: a taken name gets a number (paper-1.pdf). Writes one\n"
             "line per exported PDF: en_id, tab, path. An unknown id exports nothing. A\n"
             "PDF whose bytes differ from their digest (or, without one, whose length is\n"
             "not its entry's file size) is not exported; the entry is named on stderr.\n";
    case CliCommand::Delete:
      return "Deletes the entries with the given en_ids from LIB, as Folian's \"delete\"\n"
             "does, without asking. An unknown id deletes nothing.\n";
    case CliCommand::TitlesFromPdf:
      return "Sets the title and author of the entries with the given en_ids from their\n"
             "PDFs' own document information (or XMP metadata), as \"import\" does for a\n"
             "PDF without a metadata text file: a plausible title or author replaces the\n"
             "entry's, the others stay. Writes one line per changed entry: en_id, tab,\n"
             "title. An unknown id changes nothing. A PDF that cannot be read is named on\n"
             "stderr.\n";
    case CliCommand::Categories:
      return "Writes the three level labels on the first line, then every category\n"
             "triple (level 1, 2, 3) in stored order, one per line, separated by tabs.\n";
    case CliCommand::RenameCategory:
      return "Renames the category OLD of level LEVEL (1, 2 or 3) to NEW everywhere:\n"
             "in the category table and in every entry filed under it (their update\n"
             "date becomes now). ＜すべて＞ and その他 cannot be renamed, and a NEW that\n"
             "the level has already is refused: renaming never merges two categories.\n"
             "Writes how many categories and entries were renamed.\n";
    case CliCommand::Merge:
      return "Imports every entry of the library OTHER into LIB under new ids: its PDF,\n"
             "its three categories (added to LIB's category table when new) and its\n"
             "fields, without what belongs to OTHER's windows (positions, open windows,\n"
             "selection). OTHER is only read, also while Folian has it open; a library\n"
             "whose records are damaged is refused (\"recover\" gets back what it\n"
             "holds), and an entry whose PDF cannot be read whole is listed as failed.\n"
             "Progress, failures, duplicates and Ctrl-C as for \"import\".\n"
             "\n"
             "  --skip-duplicates   do not import entries whose PDF LIB holds already\n";
    case CliCommand::Compact:
      return "Rewrites LIB without its dead bytes (the space that deleted entries' PDFs\n"
             "and other removed items still take; \"check\" shows how many) into a new\n"
             "file beside it, flushed and locked, which then takes its name. Every entry,\n"
             "id, category, stored PDF and window setting stays. On any failure, or\n"
             "Ctrl-C, the library is left as it was; a library with a stored PDF that\n"
             "cannot be read whole is refused, since the rewrite would lose it. Writes\n"
             "the sizes before and after.\n";
    case CliCommand::Check:
      return "Reads the whole library file and reports its tags with their member counts\n"
             "and data bytes, the dead bytes (space of removed items that no chain\n"
             "reaches), the stored PDFs that no entry uses any more, and every fault\n"
             "found in the container's chains and in the library's records. Every PDF in\n"
             "use is read and compared with its SHA-256 digest and its entry's file size;\n"
             "PDFs that are damaged, missing or shared by two entries are named. Exit code\n"
             "0 only for an undamaged library.\n"
             "\n"
             "  --fix   first give every PDF without a digest (a library written before\n"
             "          digests existed) its digest; nothing else is changed\n";
    case CliCommand::Recover:
      return "Writes a new library NEW with every entry, category and PDF that can still\n"
             "be read from the damaged library LIB, walking its items by position where\n"
             "a chain is broken, and reports what was lost. LIB is only read; NEW must\n"
             "not exist yet. Exit code 0 when nothing was lost.\n";
    case CliCommand::Upgrade:
      return "Converts the library LIB to a library file that can grow past 4 GiB\n"
             "(64-bit offsets, container version 3), which an import that would take it\n"
             "past that size needs. Every entry, category and PDF stays as it is; older\n"
             "versions of Folian cannot open the converted file. A new file is written\n"
             "beside LIB (as much free space as LIB takes is needed) and renamed into\n"
             "its place; on any failure or Ctrl-C, LIB is left as it was. A library that\n"
             "can grow past 4 GiB already is left alone.\n";
    case CliCommand::Search:
      return "Finds entries. Without --full-text: those whose title, file name, author,\n"
             "editor, supervisor, publisher, translator or note contain every word of\n"
             "QUERY, case and character width not counting (as the filter box of the\n"
             "library window), in the library's sort order, written as \"list\" writes\n"
             "them.\n"
             "With --full-text: those whose PDF holds every term of QUERY on one page;\n"
             "text in double quotes is one term (a phrase). Most hits first, one line\n"
             "each: en_id, title, number of hits, the pages with hits (1 = first page).\n"
             "The full-text index (in $XDG_CACHE_HOME/FOLIAN) is brought in step with\n"
             "the library first.\n"
             "\n"
             "  --full-text   search the text of the PDFs\n";
    case CliCommand::Index:
      return "Builds the full-text index of LIB, or brings it in step with the library:\n"
             "PDFs of new or changed entries are read, those of deleted entries dropped.\n"
             "The index is kept in $XDG_CACHE_HOME/FOLIAN (~/.cache/FOLIAN), never in the\n"
             "library; a damaged index is made again. On a terminal a progress line shows\n"
             "the count and the current entry. Ctrl-C stops between two PDFs; what was\n"
             "indexed stays, and the next run goes on from there. Ends with a summary:\n"
             "entries with text, without text (scanned images), locked and unreadable.\n";
  }
  return "";
}

}  // namespace

void PrintToolHelp(std::FILE* out) {
  std::fprintf(out,
               "Usage: folian-cli COMMAND ARGUMENTS...\n"
               "Works on Folian PDF libraries (.fln files) without a display.\n"
               "\n"
               "Commands:\n");
  for (const CliCommandInfo& row : CliCommandTable()) std::fprintf(out, "  folian-cli %s\n", row.synopsis);
  std::fprintf(out,
               "\n"
               "\"folian-cli COMMAND --help\" (or \"folian-cli help COMMAND\") describes a command.\n"
               "Commands that change a library refuse one that Folian has open.\n"
               "\n"
               "Exit codes: %d success, %d a library, file or entry problem (messages on\n"
               "stderr), %d a wrong command line, %d interrupted.\n",
               kCliExitOk, kCliExitFailure, kCliExitUsage, kCliExitInterrupted);
}

void PrintCommandHelp(CliCommand command, std::FILE* out) {
  std::fprintf(out, "Usage: folian-cli %s\n\n%s", CliInfoOf(command).synopsis, DescriptionOf(command));
  if (command == CliCommand::List) std::fprintf(out, "\nSort keys: %s\n", SortableColumnKeys().c_str());
}

void PrintUsageError(const std::string& message, const CliCommand* command) {
  PrintError(message);
  if (command != nullptr) {
    const CliCommandInfo& row = CliInfoOf(*command);
    std::fprintf(stderr, "Usage: folian-cli %s\nTry 'folian-cli %s --help' for more.\n", row.synopsis, row.name);
  } else {
    std::fprintf(stderr, "Try 'folian-cli --help' for the commands.\n");
  }
}
