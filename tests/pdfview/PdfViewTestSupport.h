#pragma once
// Helpers of the viewer module's tests.

#include <QByteArray>
#include <QTest>

#include <memory>

#include "pdfview/PdfDocument.h"

namespace pdfviewtest {

/// Serves events until `done` (up to `rounds` times 10 ms); whether it came.
template <typename Done>
bool WaitUntil(Done done, int rounds = 300) {
  for (int round = 0; round < rounds && !done(); ++round) QTest::qWait(10);
  return done();
}

/// A document opened from bytes, as the viewer opens one (null when it does not open).
inline std::unique_ptr<PdfDocument> Load(const QByteArray& bytes) { return PdfDocument::Open(bytes).document; }

}  // namespace pdfviewtest
