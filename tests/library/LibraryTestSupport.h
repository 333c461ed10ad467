#pragma once
// Helpers for the library tests: record builders, a sample library file, and
// changes made to a container file behind the library's back; on top of the
// shared temporary folder, frozen clock, owned arrays and libraries, record
// field readers and container view.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ContainerContents.h"
#include "FrozenClock.h"
#include "LibraryFixtures.h"
#include "OwnedAry.h"
#include "RecordFields.h"
#include "TestFiles.h"
#include "format/FlnRecords.h"

namespace libtest {

using namespace testsupport;

/// Writes a library file with `entries` entries (en_id 100 + i, each with
/// an attachment and a small PDF), their counters above them, two
/// environment values and a second category triple, saved with SaveAll.
void WriteSampleLibrary(const std::string& path, int entries);

/// An entry with en_id `id` and the given title and categories.
FLN_ENTRY MakeEntry(int32_t id, const std::string& title, const std::string& c1 = "その他",
                    const std::string& c2 = "その他", const std::string& c3 = "その他");
/// An attachment record linking entry `enId` to stored PDF number `dataIndex`.
FLN_ATTACHMENT MakeAttachment(int32_t atId, int32_t enId, int32_t dataIndex);
/// The identifier counter (`tag`, `key`) with its own id `icId`, to hand out `nextId` next.
FLN_ID_COUNTER MakeIdCounter(int32_t icId, int32_t tag, const char* key, int32_t nextId);

/// Moves the file's modification time a few seconds ahead, as a change made
/// later by someone else would.
void TouchLater(const std::string& path);

/// How a child process run by RunInChild ended.
enum class ChildEnd {
  Completed,  // `work` returned true
  Killed,     // by SIGKILL, as a kill point does
  Unexpected  // `work` returned false, the child ended otherwise, or could not be made
};
/// Runs `work` in a forked child process (which arms its own kill point)
/// and waits for it to end.
ChildEnd RunInChild(const std::function<bool()>& work);

/// Appends one member to `tag` of the container at `path`.
void AppendMember(const std::string& path, int32_t tag, const std::string& bytes);
using testsupport::SetMembers;

}  // namespace libtest
