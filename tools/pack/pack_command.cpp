#include "pack_command.h"

#include <cstring>
#include <string>
#include <vector>

#include "pack_constants.h"
#include "pack_files.h"
#include "pack_examine.h"
#include "pack_manifest.h"
#include "pack_payload.h"

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kUsage = 2;
constexpr uint64_t kHeaderLimit = 1 << 16;
constexpr uint64_t kInstallerLimit = 64u << 20;  // far beyond any setup.exe we build

int Usage(FILE* err) {
  std::fprintf(err,
               "usage: payload-pack pack --manifest FILE --resource OUT --header OUT.h\n"
               "       payload-pack inspect FILE [--expect HEADER] [--decoded OUT] [--format=text|kv]\n"
               "         --format=kv prints \"key value\" lines for scripts: resource_offset (inside\n"
               "         an executable only), resource_size, properties_byte, dictionary_size,\n"
               "         entry_N_offset, entry_N_size, entry_N_time (0: none), decoded_length,\n"
               "         checksum, a problem line per fault, and last verdict ok|damaged\n");
  return kUsage;
}

// Reads "--name value" pairs, and "--name=value" for the names given with
// their '='; false on anything unknown, missing or repeated.
bool ReadOptions(int argc, const char* const* argv, int first, const std::vector<const char*>& names,
                 std::vector<std::string>* values) {
  values->assign(names.size(), std::string());
  std::vector<bool> seen(names.size(), false);
  for (int i = first; i < argc;) {
    size_t k = 0;
    bool joined = false;
    for (; k < names.size(); ++k) {
      size_t length = std::strlen(names[k]);
      joined = length > 0 && names[k][length - 1] == '=';
      if (joined ? std::strncmp(argv[i], names[k], length) == 0 : std::strcmp(argv[i], names[k]) == 0) break;
    }
    if (k == names.size() || seen[k]) return false;
    seen[k] = true;
    if (joined) {
      (*values)[k] = argv[i] + std::strlen(names[k]);
      if ((*values)[k].empty()) return false;
      i += 1;
    } else {
      if (i + 1 >= argc) return false;
      (*values)[k] = argv[i + 1];
      i += 2;
    }
  }
  return true;
}

int Pack(int argc, const char* const* argv, FILE* out, FILE* err) {
  std::vector<std::string> values;
  if (!ReadOptions(argc, argv, 2, {"--manifest", "--resource", "--header"}, &values)) return Usage(err);
  for (const std::string& v : values) {
    if (v.empty()) return Usage(err);
  }
  const std::string& manifestPath = values[0];
  std::vector<ManifestEntry> entries;
  PackedPayload packed;
  std::string error;
  if (!ReadManifest(manifestPath, &entries, &error) || !PackPayload(entries, &packed, &error)) {
    std::fprintf(err, "payload-pack: %s\n", error.c_str());
    return kRefused;
  }
  std::string header = FormatConstantsHeader(packed.constants);
  std::vector<uint8_t> headerBytes(header.begin(), header.end());
  if (!WriteFilesAtomically({{values[1], &packed.resource}, {values[2], &headerBytes}}, &error)) {
    std::fprintf(err, "payload-pack: %s\n", error.c_str());
    return kRefused;
  }
  std::fprintf(out, "payload-pack: %s bytes of payload in a %s-byte resource, checksum 0x%08X\n",
               FormatCount(packed.constants.decodedLength).c_str(), FormatCount(packed.constants.resourceSize).c_str(),
               packed.constants.checksum);
  std::fprintf(out, "payload-pack: encoded with %s, the smallest of %u settings tried\n",
               DescribeSettings(packed.settings).c_str(), packed.trials);
  return kDone;
}

int Inspect(int argc, const char* const* argv, FILE* out, FILE* err) {
  if (argc < 3 || argv[2][0] == '-') return Usage(err);
  std::vector<std::string> values;
  if (!ReadOptions(argc, argv, 3, {"--expect", "--decoded", "--format="}, &values)) return Usage(err);
  bool kv = values[2] == "kv";
  if (!kv && !values[2].empty() && values[2] != "text") return Usage(err);

  PayloadExpectation expected = {};
  bool expecting = !values[0].empty();
  std::vector<uint8_t> bytes;
  uint64_t size = 0;
  std::string why;
  if (expecting) {
    std::string error;
    if (ReadFileBounded(values[0], kHeaderLimit, &bytes, &size, &why) != ReadResult::Ok) {
      std::fprintf(err, "payload-pack: %s: cannot read the header: %s\n", values[0].c_str(),
                   why.empty() ? "too large" : why.c_str());
      return kUsage;
    }
    if (!ParseConstantsHeader(std::string(bytes.begin(), bytes.end()), values[0], &expected, &error)) {
      std::fprintf(err, "payload-pack: %s\n", error.c_str());
      return kUsage;
    }
  }
  switch (ReadFileBounded(argv[2], kInstallerLimit, &bytes, &size, &why)) {
    case ReadResult::Unreadable:
      std::fprintf(err, "payload-pack: %s: cannot read: %s\n", argv[2], why.c_str());
      return kUsage;
    case ReadResult::TooLarge:
      std::fprintf(err, "payload-pack: %s: %s bytes, over the limit of %s bytes for an installer\n", argv[2],
                   FormatCount(size).c_str(), FormatCount(kInstallerLimit).c_str());
      return kUsage;
    case ReadResult::Ok:
      break;
  }
  std::vector<uint8_t> decoded;
  PayloadReport report = InspectPayloadFile(bytes.data(), bytes.size(), expecting ? &expected : nullptr, &decoded);
  if (kv) {
    // No file line: a path may hold any byte, and the caller knows it.
    std::fputs(FormatPayloadReportKv(report).c_str(), out);
  } else {
    std::fprintf(out, "file: %s\n%s", argv[2], FormatPayloadReport(report).c_str());
  }
  if (!values[1].empty()) {
    std::string error;
    if (!WriteFilesAtomically({{values[1], &decoded}}, &error)) {
      std::fprintf(err, "payload-pack: %s\n", error.c_str());
      return kUsage;
    }
  }
  return report.Ok() ? kDone : kRefused;
}

}  // namespace

int RunPayloadPack(int argc, const char* const* argv, FILE* out, FILE* err) {
  if (argc >= 2 && std::strcmp(argv[1], "pack") == 0) return Pack(argc, argv, out, err);
  if (argc >= 2 && std::strcmp(argv[1], "inspect") == 0) return Inspect(argc, argv, out, err);
  return Usage(err);
}
