// End-to-end scenarios of faults: each checks the details list, the final
// text, exit code 0 and that everything outside the failing items was
// installed. Some need the machine prepared outside Wine first (see
// tests/e2e/prepare/).
#pragma once

void ScenarioDiskFull();
void ScenarioLockedFile();
void ScenarioBlockedStartMenu();
void ScenarioBadAppPath();
void ScenarioRepetition();
// Folders and links a standard user controls, in the way of the
// installation for all users.
void ScenarioOpenFolder();
void ScenarioLinkAboveFolder();
