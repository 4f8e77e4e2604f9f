// Saves the whole (virtual) screen as a BMP file; false when it cannot.
#pragma once

#include <string>

bool SaveScreenshot(const std::wstring& path);
