#include "storage/ZelJournal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "storage/RecordHash.h"
#include "storage/SideFilePath.h"
#include "format/ZelJournalFormat.h"

using namespace zeljournal;

namespace {

void PutLe(uint8_t* p, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint64_t GetLe(const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

// When the file at `path` came into being, where the file system keeps that
// (0, 0 otherwise). With device and inode it tells one file from another that
// reuses the inode number of a removed one.
std::pair<uint64_t, uint32_t> BirthOf(const std::string& path) {
  struct statx st {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &st) != 0 || !(st.stx_mask & STATX_BTIME)) return {0, 0};
  return {static_cast<uint64_t>(st.stx_btime.tv_sec), st.stx_btime.tv_nsec};
}

// XXH64 of the header up to the checksum, then of the body.
uint64_t Checksum(const std::vector<uint8_t>& journal) {
  RecordHasher hasher;
  hasher.add(journal.data(), kChecksumAt);
  hasher.add(journal.data() + kHeaderSize, journal.size() - kHeaderSize);
  return hasher.value();
}

// The journal is written in pieces of this size: a change that overwrites a
// gigabyte does not hold its old bytes in memory all at once.
constexpr size_t kJournalPiece = 8 << 20;

// Writes to `out` the journal for the overwrites `stream` holds: the
// original bytes of each region as the disk has them now. A journal that
// fits in one piece is one write; a longer one goes piece by piece with its
// header last, so that it is whole (checksum and commit mark) only once
// everything before it was written. False, with errno, when a read or a
// write fails.
bool WriteJournal(FileStream* stream, FileStream* out) {
  FileStream::Stamp identity;
  if (!stream->stamp(&identity)) return false;
  const auto birth = BirthOf(stream->path());
  const auto& regions = stream->held().regions();
  uint64_t bodySize = 0;
  for (const auto& region : regions) bodySize += kRegionHeaderSize + region.second.size();
  uint8_t header[kHeaderSize] = {};
  std::memcpy(header + kMagicAt, kMagic, sizeof kMagic);
  PutLe(header + kDeviceAt, identity.device, 8);
  PutLe(header + kInodeAt, identity.inode, 8);
  PutLe(header + kBirthSecAt, birth.first, 8);
  PutLe(header + kBirthNsecAt, birth.second, 4);
  PutLe(header + kOldSizeAt, stream->heldSize(), 8);
  PutLe(header + kRegionCountAt, regions.size(), 4);
  PutLe(header + kBodySizeAt, bodySize, 8);
  RecordHasher checksum;
  checksum.add(header, kChecksumAt);

  // The first piece begins with room for the header.
  std::vector<uint8_t> piece(kHeaderSize);
  piece.reserve(static_cast<size_t>(std::min<uint64_t>(kHeaderSize + bodySize, kJournalPiece)));
  uint64_t written = 0;  // bytes of the journal file written so far
  const auto flush = [&] {
    const size_t skip = written == 0 ? kHeaderSize : 0;
    checksum.add(piece.data() + skip, piece.size() - skip);
    if (!out->writeOnDisk(written, piece.data(), piece.size())) return false;
    written += piece.size();
    piece.clear();
    return true;
  };
  for (const auto& region : regions) {
    uint8_t regionHeader[kRegionHeaderSize];
    PutLe(regionHeader, region.first, 8);
    PutLe(regionHeader + 8, region.second.size(), 4);
    if (piece.size() + kRegionHeaderSize > kJournalPiece && !flush()) return false;
    piece.insert(piece.end(), regionHeader, regionHeader + kRegionHeaderSize);
    for (size_t done = 0; done < region.second.size();) {
      if (piece.size() == kJournalPiece && !flush()) return false;
      const size_t take = std::min(region.second.size() - done, kJournalPiece - piece.size());
      const size_t at = piece.size();
      piece.resize(at + take);
      if (stream->readOnDisk(region.first + done, piece.data() + at, take) != take) {
        if (errno == 0) errno = EIO;
        return false;
      }
      done += take;
    }
  }
  if (written == 0) {  // all of it in one piece: the header goes with it
    checksum.add(piece.data() + kHeaderSize, piece.size() - kHeaderSize);
    PutLe(header + kChecksumAt, checksum.value(), 8);
    std::memcpy(header + kCommitMarkAt, kCommitMark, sizeof kCommitMark);
    std::memcpy(piece.data(), header, kHeaderSize);
    return out->writeOnDisk(0, piece.data(), piece.size());
  }
  if (!piece.empty() && !flush()) return false;
  PutLe(header + kChecksumAt, checksum.value(), 8);
  std::memcpy(header + kCommitMarkAt, kCommitMark, sizeof kCommitMark);
  return out->writeOnDisk(0, header, kHeaderSize);
}

struct Region {
  uint64_t offset;
  const uint8_t* bytes;
  uint32_t length;
};

struct ParsedJournal {
  uint64_t device = 0, inode = 0, oldSize = 0;
  std::pair<uint64_t, uint32_t> birth;
  std::vector<Region> regions;
};

// Whether `journal` is whole: the right magic, sizes that add up, the
// checksum and the commit mark. Fills `parsed` when it is.
bool ParseJournal(const std::vector<uint8_t>& journal, ParsedJournal* parsed) {
  if (journal.size() < kHeaderSize) return false;
  const uint8_t* p = journal.data();
  if (std::memcmp(p + kMagicAt, kMagic, sizeof kMagic) != 0 ||
      std::memcmp(p + kCommitMarkAt, kCommitMark, sizeof kCommitMark) != 0)
    return false;
  if (GetLe(p + kBodySizeAt, 8) != journal.size() - kHeaderSize) return false;
  if (GetLe(p + kChecksumAt, 8) != Checksum(journal)) return false;
  parsed->device = GetLe(p + kDeviceAt, 8);
  parsed->inode = GetLe(p + kInodeAt, 8);
  parsed->birth = {GetLe(p + kBirthSecAt, 8), static_cast<uint32_t>(GetLe(p + kBirthNsecAt, 4))};
  parsed->oldSize = GetLe(p + kOldSizeAt, 8);
  const uint64_t count = GetLe(p + kRegionCountAt, 4);
  size_t at = kHeaderSize;
  for (uint64_t i = 0; i < count; ++i) {
    if (journal.size() - at < kRegionHeaderSize) return false;
    Region region{GetLe(p + at, 8), p + at + kRegionHeaderSize, static_cast<uint32_t>(GetLe(p + at + 8, 4))};
    at += kRegionHeaderSize;
    if (journal.size() - at < region.length || region.offset + region.length > parsed->oldSize) return false;
    at += region.length;
    parsed->regions.push_back(region);
  }
  return at == journal.size();
}

bool ReadWhole(FileStream* stream, std::vector<uint8_t>* bytes) {
  const int64_t size = stream->size();
  if (size < 0) return false;
  bytes->resize(static_cast<size_t>(size));
  if (stream->readOnDisk(0, bytes->data(), bytes->size()) != bytes->size()) {
    if (errno == 0) errno = EIO;
    return false;
  }
  return true;
}

// Puts every region's original bytes back, restores the old length and
// flushes. The journal stays until this has succeeded.
bool ApplyJournal(FileStream* container, const ParsedJournal& journal) {
  for (const Region& region : journal.regions)
    if (!container->writeOnDisk(region.offset, region.bytes, region.length)) return false;
  return container->truncate(journal.oldSize) && container->sync();
}

bool RemoveJournal(const std::string& journalPath) {
  if (::unlink(journalPath.c_str()) != 0 && errno != ENOENT) return false;
  return SyncFolder(FolderOf(journalPath));
}

// Undoes a commit that failed after the journal was whole: the old bytes go
// back from the journal through `stream`; only when that also fails does the
// journal stay for the next opening.
bool UndoInPlace(FileStream* stream, const std::string& journalPath) {
  std::unique_ptr<FileStream> in(FileStream::open(journalPath.c_str(), FileOpenMode::ReadOnly));
  std::vector<uint8_t> bytes;
  ParsedJournal parsed;
  if (in == nullptr || !ReadWhole(in.get(), &bytes) || !ParseJournal(bytes, &parsed)) return false;
  in.reset();
  return ApplyJournal(stream, parsed) && RemoveJournal(journalPath);
}

}  // namespace

namespace ZelJournal {

std::string PathFor(const std::string& containerPath) { return SideFilePath(containerPath, kSuffix); }

bool Discard(FileStream* stream) {
  const uint64_t oldSize = stream->heldSize();
  stream->dropHeld();
  const bool cut = stream->truncate(oldSize);
  return stream->holdOverwrites() && cut;
}

bool Commit(FileStream* stream, const std::string& containerPath) {
  // 1. Appended items reach the disk before anything can point at them.
  if (!stream->sync()) {
    const int error = errno;
    Discard(stream);
    errno = error;
    return false;
  }
  if (stream->held().empty()) return stream->holdOverwrites();

  // 2. The original bytes, flushed with the journal's name.
  const std::string journalPath = PathFor(containerPath);
  std::unique_ptr<FileStream> out(FileStream::open(journalPath.c_str(), FileOpenMode::CreateExclusive));
  const bool journalled =
      out != nullptr && WriteJournal(stream, out.get()) && out->sync() && SyncFolder(FolderOf(journalPath));
  if (!journalled) {
    const int error = errno;
    if (out != nullptr) ::unlink(journalPath.c_str());  // nothing in place has changed yet
    Discard(stream);
    errno = error;
    return false;
  }
  out.reset();

  // 3. The overwrites themselves.
  bool written = stream->writeHeldInPlace();
  if (written) written = stream->sync();
  if (!written) {
    const int error = errno;
    if (UndoInPlace(stream, journalPath)) stream->holdOverwrites();
    errno = error;
    return false;
  }

  // 4. The commit: without the journal the new bytes stand. A journal that
  // cannot be removed undoes the change at the next opening, so that counts
  // as a failure; once it is gone the change is made, even when flushing the
  // folder fails (a power loss could then bring the journal back, and with
  // it the old state, which is whole too).
  if (::unlink(journalPath.c_str()) != 0) return false;
  SyncFolder(FolderOf(journalPath));
  return stream->holdOverwrites();
}

Recovery RollBack(const std::string& containerPath) {
  const std::string journalPath = PathFor(containerPath);
  std::unique_ptr<FileStream> in(FileStream::open(journalPath.c_str(), FileOpenMode::ReadOnly));
  if (in == nullptr) return errno == ENOENT ? Recovery::None : Recovery::Failed;
  std::vector<uint8_t> bytes;
  if (!ReadWhole(in.get(), &bytes)) return Recovery::Failed;
  in.reset();

  ParsedJournal journal;
  if (!ParseJournal(bytes, &journal)) return RemoveJournal(journalPath) ? Recovery::Removed : Recovery::Failed;

  std::unique_ptr<FileStream> container(FileStream::open(containerPath.c_str(), FileOpenMode::ReadWrite));
  if (container == nullptr) return Recovery::Failed;
  FileStream::Stamp identity;
  if (!container->stamp(&identity)) return Recovery::Failed;
  const auto birth = BirthOf(containerPath);
  const bool bothBorn = birth.first != 0 && journal.birth.first != 0;
  if (identity.device != journal.device || identity.inode != journal.inode || (bothBorn && birth != journal.birth) ||
      identity.size < journal.oldSize)  // a change only ever adds to the file before it overwrites
    return Recovery::Foreign;
  if (!ApplyJournal(container.get(), journal)) return Recovery::Failed;
  container.reset();
  return RemoveJournal(journalPath) ? Recovery::RolledBack : Recovery::Failed;
}

std::string RecoveryProblem(Recovery recovery, const std::string& containerPath) {
  const std::string journal = PathFor(containerPath);
  switch (recovery) {
    case Recovery::Foreign:
      return journal + " belongs to another file (it was not written for this one); "
                       "move it away if that is so, then open the library again";
    case Recovery::Failed:
      return "an unfinished change could not be rolled back with " + journal + ": " + std::strerror(errno);
    default:
      return std::string();
  }
}

}  // namespace ZelJournal
