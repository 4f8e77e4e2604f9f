// The floor program's one dialog, and the title the benchmark finds it by.
#pragma once

#define IDD_FLOOR 103
#define FLOOR_TITLE "Velunora first-page floor"
