// Expectations of the end-to-end driver: each prints what it compared, and
// a scenario passes only when none failed.
#pragma once

#include <string>

// Quiet: only notes and failed expectations are printed.
void SetQuiet(bool quiet);
void Note(const char* format, ...);
bool Expect(bool ok, const char* format, ...);
bool ExpectText(const std::wstring& actual, const std::wstring& expected, const char* what);
bool ExpectNumber(unsigned long long actual, unsigned long long expected, const char* what);
int Failures();

std::string Narrow(const std::wstring& text);
