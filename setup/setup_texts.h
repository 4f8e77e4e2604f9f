// The fixed texts of the setup shell, in the single-byte code page: they go
// through the A functions (SetDlgItemTextA, MessageBoxA).
#pragma once

constexpr char kInitFailedText[] = "Setup initialization failed.";
constexpr char kErrorCaption[] = "Error";
constexpr char kNotAdminText[] = "You must be logged in as an administrator to install this software.";
constexpr char kProductCaption[] = "Velunora App Pack";
