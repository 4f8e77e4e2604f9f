#include "expect.h"

#include <cstdarg>
#include <cstdio>

namespace {
int g_failures = 0;
bool g_quiet = false;

void Print(const char* prefix, const char* format, va_list args) {
  std::printf("%s", prefix);
  std::vprintf(format, args);
  std::printf("\n");
  std::fflush(stdout);
}
}  // namespace

void Note(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Print("       ", format, args);
  va_end(args);
}

void SetQuiet(bool quiet) { g_quiet = quiet; }

bool Expect(bool ok, const char* format, ...) {
  va_list args;
  va_start(args, format);
  if (!ok || !g_quiet) Print(ok ? "ok     " : "FAILED ", format, args);
  va_end(args);
  if (!ok) ++g_failures;
  return ok;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 128 ? char(c) : '?');
  return out;
}

bool ExpectText(const std::wstring& actual, const std::wstring& expected, const char* what) {
  if (actual == expected) return Expect(true, "%s: \"%s\"", what, Narrow(actual).c_str());
  return Expect(false, "%s: \"%s\", expected \"%s\"", what, Narrow(actual).c_str(), Narrow(expected).c_str());
}

bool ExpectNumber(unsigned long long actual, unsigned long long expected, const char* what) {
  if (actual == expected) return Expect(true, "%s: %llu", what, actual);
  return Expect(false, "%s: %llu, expected %llu", what, actual, expected);
}

int Failures() { return g_failures; }
