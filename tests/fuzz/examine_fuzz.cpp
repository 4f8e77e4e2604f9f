// Arbitrary bytes as a file handed to `payload-pack inspect`: a PE image to
// find the payload resource in, or a bare resource. Besides what the
// sanitizers catch, it stops when the reader hands out a resource that does
// not lie inside the file, or when the printed verdict (in either format)
// contradicts the report.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "pack_examine.h"
#include "pe_image.h"

namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "examine_fuzz: %s\n", what);
  std::abort();
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pe::Image image;
  std::string error;
  if (pe::Parse(data, size, &image, &error)) {
    for (const pe::Resource& r : image.resources) {
      Require(r.fileOffset <= size && r.size <= size - r.fileOffset, "a resource outside the file");
    }
  } else {
    Require(!error.empty(), "a refusal without a reason");
  }

  PayloadReport report = InspectPayloadFile(data, size, nullptr);
  std::string text = FormatPayloadReport(report);
  Require(EndsWith(text, "verdict: ok\n") == report.Ok(), "the verdict contradicts the report");
  // Scripts split the kv form at line breaks: one line per fact, or a
  // problem text has forged a key.
  std::string kv = FormatPayloadReportKv(report);
  size_t facts = report.foundInImage + report.hasResource + 2 * report.hasProperties +
                 3 * kPayloadEntryCount * report.hasTable + 2 * report.decoded + report.problems.size() + 1;
  Require(size_t(std::count(kv.begin(), kv.end(), '\n')) == facts, "a kv line per fact");
  Require(EndsWith(kv, "verdict ok\n") == report.Ok(), "the kv verdict contradicts the report");
  if (report.Ok()) {
    Require(report.decoded && report.hasTable, "an ok verdict without a decoded table");
    Require(report.decodedLength <= kPayloadCapacity, "an ok verdict for a payload past its block");
  }
  return 0;
}
