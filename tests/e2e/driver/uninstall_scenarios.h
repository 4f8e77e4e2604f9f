// End-to-end scenarios of the uninstaller: each installs, runs the
// UninstallString as Add/Remove Programs would, and checks what is left.
#pragma once

void ScenarioUninstallFull();
void ScenarioUninstallPartial();
void ScenarioUninstallTwoInstallations();
void ScenarioUninstallNo();
void ScenarioUninstallFileInUse();
void ScenarioUninstallUnicodeFolder();
void ScenarioUninstallThroughLink();
void ScenarioUninstallInPlace();
// The single-user edition installed and uninstalled, and beside the
// all-users one.
void ScenarioSingleUser();
void ScenarioBothEditions();
// The single-user edition with the user's programs folder moved elsewhere
// through a link of the user's.
void ScenarioSingleUserMovedPrograms();
