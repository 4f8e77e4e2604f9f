// Names compared by the system, as the file system compares them: case
// ignored by the system's own table, for any script, and nothing else
// ignored.
#include <gtest/gtest.h>

#include <string>

#include "path_text.h"

namespace {

bool Same(const std::wstring& a, const std::wstring& b) { return SameName(a.data(), a.size(), b.data(), b.size()); }

TEST(SameName, IgnoresCaseAsTheFileSystemDoes) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool same;
  } cases[] = {
      {L"Velunora", L"vELUNORA", true},
      {L"\u00c9t\u00e9", L"\u00e9T\u00c9", true},                                    // Latin-1
      {L"\u03a9\u03bc\u03ad\u03b3\u03b1", L"\u03c9\u039c\u0388\u0393\u0391", true},  // Greek, accented
      {L"\u0556\u0561", L"\u0586\u0531", true},  // Armenian, beyond any hand-made table
      {L"Stra\u00dfe", L"STRASSE", false},       // one unit never matches two
      {L"e\u0301", L"\u00e9", false},            // no normalisation
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    EXPECT_EQ(Same(cases[i].a, cases[i].b), cases[i].same) << "case " << i;
    EXPECT_EQ(Same(cases[i].b, cases[i].a), cases[i].same) << "case " << i;
  }
}

}  // namespace
