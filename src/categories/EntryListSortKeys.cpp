#include "categories/EntryListSortKeys.h"

#include <utility>

#include "format/EntryFieldKind.h"

FLN_ENTRY_LIST_INFO GetEntryListInfo_ByHeaderClick(const FLN_ENTRY_LIST_INFO& current,
                                                   const char* columnKey, bool ascending) {
  const int32_t kind = GetEntryFieldKind_FromSortKey(columnKey);
  FLN_ENTRY_LIST_INFO next = current;
  // An unknown key would otherwise match an unused key (kind 0) and put "no
  // key" in front.
  if (kind == kEntryFieldNone) return next;

  const int32_t* K = current.sortFieldKind;
  const uint8_t* A = current.sortFieldAscend;
  if (kind == K[0]) {
    next.sortFieldAscend[0] = ascending ? 1 : 0;
  } else if (kind == K[1]) {
    std::swap(next.sortFieldKind[0], next.sortFieldKind[1]);
    std::swap(next.sortFieldAscend[0], next.sortFieldAscend[1]);
  } else {
    // The clicked column goes in front; a remembered third key keeps its own
    // direction, a new column takes the one the table asks for.
    const uint8_t direction = kind == K[2] ? A[2] : (ascending ? 1 : 0);
    next.sortFieldKind[0] = kind;
    next.sortFieldKind[1] = K[0];
    next.sortFieldKind[2] = K[1];
    next.sortFieldAscend[0] = direction;
    next.sortFieldAscend[1] = A[0];
    next.sortFieldAscend[2] = A[1];
  }
  return next;
}
