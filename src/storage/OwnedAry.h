#pragma once
// A record array freed with Tesk_Ary_Free when its owner goes, however the
// scope ends: for temporary arrays that a function creates and releases.

#include <memory>

#include "storage/TeskAry.h"

struct TeskAryDeleter {
  void operator()(TeskAryHeader* ary) const { Tesk_Ary_Free(ary); }
};
using OwnedAry = std::unique_ptr<TeskAryHeader, TeskAryDeleter>;
