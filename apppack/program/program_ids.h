// The window class and control identifiers of the App Pack programs, shared
// with the tests that start them and read their windows.
#pragma once

constexpr wchar_t kProgramWindowClass[] = L"VelunoraAppPackProgram";

constexpr int kIdAbout = 100;
constexpr int kIdOpenedLabel = 101;
constexpr int kIdOpened = 102;  // the full path of the file or folder opened with
