#pragma once
// Saving a record array into its tag while writing only what changed.
//
// ZEL_ARY_Save rewrites every member of a tag; for the entries that is 4644
// bytes times the number of entries on every save. FlnDiskImage remembers,
// per tag, how many members the file holds, where each member's record lies
// and, where it was taken, a fingerprint of each member's bytes, together
// with the file's stamp (device, inode, size, modification time) from when
// that was last known to be true. It also remembers which array the members
// mirror: the records that array notes as changed since (Tesk_Ary_GetChanges)
// are the only ones that can differ from their members. FlnArraySync_Save
// then removes and appends members exactly as ZEL_ARY_Save does and rewrites
// in place only the members whose bytes may differ, going straight to each by
// its remembered place, so the file ends byte for byte as ZEL_ARY_Save would
// leave it, at a cost that follows the changes rather than the library's size.
//
// Whenever anything is uncertain (the tag was never seen, the file's stamp is
// not the one remembered, a write failed, a member is not where it was) the
// tag is saved with ZEL_ARY_Save and the image learns the tag anew from that.
//
// What holds of the file and of the image, before, during and after a save:
//
// (1) The image speaks for the file only while the file carries the stamp it
//     remembers. The stamp is taken when a load begins (before reading) and
//     after a save's last write (before closing); checkFile, right after
//     opening, forgets every tag when the file carries another one.
// (2) For a tag the image knows: hashes holds one entry per member, in
//     member order; recordSize is every member's length (0 when there are
//     none); positions is empty or holds, per member, where its item record
//     lies.
// (3) Each entry of hashes is kNotTaken or the fingerprint of that member's
//     bytes as the file holds them.
// (4) While the array that the members mirror is the same block (its block
//     serial is the one remembered), every record outside the range the array
//     notes as changed equals the member of its index byte for byte, but for
//     the byte ranges it notes for that record (Tesk_Ary_GetFieldChanges):
//     of such a member only those bytes are rewritten. An array of another
//     block may differ anywhere.
// (5) During a save, which members to rewrite is decided before the first
//     write, and the writes come in ZEL_ARY_Save's order (members leave from
//     the front, new ones are appended, changed ones rewritten in place): the
//     file ends as ZEL_ARY_Save would leave it, byte for byte.
// (6) A tag whose save failed, or whose chain is not what (2) says, is
//     forgotten or rewritten whole; a SaveAll that does not commit rolls the
//     file back and forgets every tag. The image never claims what the file
//     may not hold, so its worst case is a slower next save.
// (7) Writers of the tags SaveAll does not write ('ATTD', 'PM01', 'PM02')
//     add, replace and remove members of those tags only, which neither
//     moves a member of a saved tag nor changes its bytes; bracketing their
//     writes with Begin/EndWriteOutsideSavedTags therefore moves the
//     remembered stamp on without forgetting anything.

#include <cstdint>
#include <map>
#include <vector>

#include "library/FlnData.h"
#include "library/FlnResult.h"
#include "storage/FileIo.h"
#include "storage/ZelFile.h"

class FlnDiskImage {
 public:
  /// Forgets every tag unless the open `file` still carries the remembered
  /// stamp. Call right after opening the file, before reading or writing it.
  /// True when the stamp matched: the file is as the program last left it.
  bool checkFile(ZEL_FILE* file);
  /// Remembers the open `file`'s stamp as the one that goes with what is
  /// known. Call after the last write, before closing. Forgets every tag
  /// when the stamp cannot be read.
  void rememberStamp(ZEL_FILE* file);

  /// The tag holds exactly the records of `ary`, member i's record lying at
  /// positions[i] (an empty `positions` when that is not known); a null or
  /// empty array means the tag does not exist. From now on the records `ary`
  /// notes as changed are the ones that may differ from the file: its noted
  /// changes are cleared. Forgets the tag if memory runs out.
  void setTag(int32_t tag, TESK_ARY ary, std::vector<uint64_t> positions);
  /// Nothing is known about the tag: the next save of it rewrites it whole.
  void forgetTag(int32_t tag);
  void forgetAll();

  /// Whether the file at `path` carries the remembered stamp: it is the file
  /// (device, inode) as the program last left it (size, modification time).
  bool pathIsAsLeft(const char* path) const;

  /// Whether the tag's members are known (for tests).
  bool knows(int32_t tag) const;

  /// How the last save of the library ended (SaveAll sets it).
  FlnResult lastSave;

 private:
  friend int FlnArraySync_Save(ZEL_FILE*, FlnDiskImage*, int32_t, TESK_ARY, uint32_t);

  struct TagImage {
    uint32_t recordSize = 0;          // 0 while the tag does not exist
    std::vector<uint64_t> hashes;     // per member in member order: its fingerprint, or 0 when not taken
    std::vector<uint64_t> positions;  // per member: where its record lies; empty when not known
    uint64_t blockSerial = 0;         // Tesk_Ary_BlockSerial of the records the members mirror
  };
  std::map<int32_t, TagImage> tags_;  // only tags that are known
  FileStream::Stamp stamp_;
  bool hasStamp_ = false;
};

/// Writes `ary` into `tag` of the open `file` with ZEL_ARY_Save's result
/// bytes and result codes, rewriting only changed members when `image` knows
/// the tag. Afterwards `image` knows the tag when the save succeeded and has
/// forgotten it otherwise. A null `image` is a plain ZEL_ARY_Save.
int FlnArraySync_Save(ZEL_FILE* file, FlnDiskImage* image, int32_t tag, TESK_ARY ary, uint32_t recordSize);

/// Makes the next SaveAll of this library rewrite every record, as after a
/// change to the file that the program cannot account for.
void ForgetLibraryFileState(FLN_DATA* flnData);

/// Whether flnData->filePath still names the file this program loaded or
/// last wrote, as it left it. False when it was replaced, changed by
/// another program or removed: SaveAll then writes nothing.
bool LibraryFileIsAsLeft(const FLN_DATA* flnData);

/// For code that writes to the library file itself, only to tags that
/// SaveAll does not write ('ATTD', 'PM01', 'PM02'): call Begin right after
/// opening the file for writing and End after the last commit, before
/// closing. Begin returns false when the file is not the one the program
/// loaded or last wrote (see LibraryFileIsAsLeft): nothing may be written
/// then. The next SaveAll still writes only what changed.
/// Never use them around writes to 'IDCO', 'LABE', 'ENTR', 'ATTA', 'ENVI',
/// 'CATS' or 'ENSO'.
bool BeginWriteOutsideSavedTags(FLN_DATA* flnData, ZEL_FILE* file);
void EndWriteOutsideSavedTags(FLN_DATA* flnData, ZEL_FILE* file);
