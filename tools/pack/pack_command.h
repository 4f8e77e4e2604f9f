// The command line of payload-pack, callable in-process so that tests drive
// exactly what the build runs.
//
//   payload-pack pack --manifest FILE --resource OUT --header OUT.h
//       Builds the payload resource and the header of the loader's
//       constants from the manifest (format in pack_manifest.h), encoded
//       with the smallest LZMA1 settings its search finds. Writes nothing
//       unless everything checks out.
//   payload-pack inspect FILE [--expect HEADER] [--decoded OUT] [--format=text|kv]
//       Decodes and verifies the payload of a built setup.exe, or of a bare
//       resource, prints its entry table and a verdict; with --expect also
//       compares it with the constants of a generated header; with
//       --decoded also writes the decoded bytes to OUT, whatever the
//       verdict, so that other encoders can be held against the resource.
//       --format=kv prints the report as "key value" lines for scripts
//       (keys in pack_examine.h) instead of the text for people.
//
// Exit codes: 0 done / verdict ok, 1 refused / verdict damaged, 2 bad usage
// or an input that cannot be read.
#pragma once

#include <cstdio>

int RunPayloadPack(int argc, const char* const* argv, FILE* out, FILE* err);
