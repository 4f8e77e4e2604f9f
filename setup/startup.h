// The order of start-up and its failure paths, written once against a table
// of effects: wWinMain hands it the real calls, the tests hand it recorders,
// so the paths that Wine cannot take (a user outside the Administrators
// group, failing COM) are checked too. Platform neutral.
#pragma once

enum MessageIcon { IconError, IconWarning };

struct StartupEffects {
  void* self;
  bool (*initializeCom)(void* self);  // false when it failed
  bool (*initializeCommonControls)(void* self);
  int (*initPaths)(void* self);
  int (*isUserAdmin)(void* self);
  void (*showMessage)(void* self, const char* text, const char* caption, MessageIcon icon);
  bool (*createFrame)(void* self);  // false when the frame cannot be created
  void (*runMessageLoop)(void* self);
  void (*uninitializeCom)(void* self);
};

// Brings the program up, runs it, and takes it down again. The payload is
// checked before the administrator test, so a damaged file is reported as
// damaged to everyone. Returns the exit code: 0 on every path.
int RunStartup(const StartupEffects& effects);
