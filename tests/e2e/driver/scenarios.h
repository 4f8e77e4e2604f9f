// The end-to-end scenarios. Each returns after setup.exe has ended; the
// driver's exit code is the number of failed expectations.
#pragma once

void ScenarioLaunch();
void ScenarioDefaultInstall();
void ScenarioSelection();
void ScenarioSecondRun();
void ScenarioCancel();
void ScenarioCloseDuringInstall();
void ScenarioDamagedPayload();
// Prints figures for `make bench`; checks only that the installation ran.
void ScenarioBench();
