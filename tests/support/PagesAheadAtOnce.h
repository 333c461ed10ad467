#pragma once
// While one of these lives, every block a load fills has its pages made
// ready on a second thread from the start, as on a machine whose fresh
// memory comes slowly: a load can be made to take either path.

#include "storage/PagesAhead.h"

namespace testsupport {

struct PagesAheadAtOnce {
  PagesAheadAtOnce() { PagesAhead::startAtOnceForTests(true); }
  ~PagesAheadAtOnce() { PagesAhead::startAtOnceForTests(false); }
  PagesAheadAtOnce(const PagesAheadAtOnce&) = delete;
  PagesAheadAtOnce& operator=(const PagesAheadAtOnce&) = delete;
};

}  // namespace testsupport
