// End-to-end check that setup.exe loads no DLL planted beside it.
#pragma once

void ScenarioPlantedDlls();
