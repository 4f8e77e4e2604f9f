// The end-to-end scenarios. Each returns after setup.exe has ended; the
// driver's exit code is the number of failed expectations.
#pragma once

#include <cstdint>
#include <string>

void ScenarioLaunch();
void ScenarioDefaultInstall();
void ScenarioSelection();
void ScenarioSecondRun();
void ScenarioCancel();
void ScenarioCloseDuringInstall();
void ScenarioDamagedPayload();

// Building blocks for other scenarios. Installs the components of
// `selection` (bit k: component k) with the wizard into the folder it
// offers, checks the installation and returns the folder ("" when anything
// failed).
std::wstring InstallWithWizard(uint32_t selection);
// The same with the edition's own setup program.
struct EditionPlaces;
std::wstring InstallWithWizard(uint32_t selection, const EditionPlaces& edition);
// Checks that an installation of `selection` into `folder` is complete.
void ExpectInstallation(uint32_t selection, const std::wstring& folder);
// Print figures for `make bench`; they check only that the installation ran,
// and that each program started came up and ended.
void ScenarioBench();
void ScenarioFirstPage();
