// The fixed texts of the setup shell. Single-byte texts go through the A
// functions (SetDlgItemTextA, MessageBoxA); names and paths are UTF-16.
#pragma once

constexpr char kInitFailedText[] = "Setup initialization failed.";
constexpr char kErrorCaption[] = "Error";
constexpr char kNotAdminText[] = "You must be logged in as an administrator to install this software.";
constexpr char kProductCaption[] = "Velunora App Pack";

constexpr char kLicenseHeading[] =
    "Please review the license agreement before installing Velunora App Pack. If you accept all terms of the "
    "agreement, click I Agree.";
constexpr char kComponentsHeading[] =
    "Check the components you want to install and uncheck the components you don't want to install. Click Next to "
    "continue.";
constexpr char kFolderHeading[] =
    "Setup will install Velunora App Pack in the following folder. To install in a different folder, click Browse "
    "and select another folder. Click Install to start the installation.";
constexpr char kFolderGroupText[] = "Destination Folder";

constexpr char kAgreeButton[] = "I &Agree";
constexpr char kNextButton[] = "&Next >";
constexpr char kInstallButton[] = "&Install";
constexpr char kCloseButton[] = "&Close";
constexpr char kCancelButton[] = "Cancel";
constexpr char kBrowseButton[] = "B&rowse...";
constexpr char kBackButton[] = "< &Back";
constexpr char kShowDetailsButton[] = "Show &Details";

constexpr wchar_t kPickerTitle[] = L"Select a destination folder for Velunora App Pack.";
