#include "setup_context.h"

#include "carried_payload.h"
#include "file_system.h"
#include "payload_loader.h"
#include "path_text.h"
#include "registry.h"
#include "start_menu_win.h"
#include "system_places_win.h"
#include "wide_text.h"

SetupContext* g_setup = nullptr;

namespace {

// AppPath is read into installDir, but never more than 236 units with the
// terminator, so the rest of the field stays zero and the text is always
// terminated, whatever was stored.
constexpr DWORD kAppPathReadBytes = 472;

// True when AppPath named an existing folder; installDir then holds it as read.
bool ReadPreviousFolder(SetupContext* context, const Edition& edition) {
  const wchar_t* keyPath = BuildKeyPath(context->scratch.wide, kMakerFolder);
  DWORD bytes = kAppPathReadBytes;
  // Setup only ever records a folder named in full; anything else read back
  // ("." from a number stored in the value, "C:", a relative name) would
  // depend on where the program happens to be started.
  return ReadRegistryValue(RegistryRootKey(edition.root), keyPath, kAppPathValue, nullptr, context->installDir,
                           &bytes) == ERROR_SUCCESS &&
         IsFullyQualified(context->installDir) && IsExistingFolder(context->installDir);
}

}  // namespace

void InitSetupContext(SetupContext* context, HINSTANCE instance, const Edition& edition) {
  context->instance = instance;
  context->edition = &edition;
  for (uint32_t k = 0; k < kComponentCount; ++k) context->componentNames[k] = kComponentTable[k].name;
  context->componentNames[kUninstallerName] = kUninstallerComponentName;
  g_setup = context;
}

PayloadStatus LoadSetupPayload(SetupContext* context) {
  PayloadResource resource;
  PayloadStatus loaded =
      LoadPayload(context->instance, kCarriedPayload, &resource, &context->payload, context->entries);
  context->payloadResource = resource.bytes;
  context->payloadResourceSize = resource.size;
  return loaded;
}

int SettleFolders(SetupContext* context) {
  const Edition& edition = *context->edition;
  if (ReadPreviousFolder(context, edition)) {
    WideCopy(context->browseDir, kFolderUnits, context->installDir);
    EndWithSeparator(context->installDir, kFolderUnits);
  } else {
    if (!GetSystemFolder(edition.programFiles, context->installDir)) return 0;
    EndWithSeparator(context->installDir, kFolderUnits);
    // The picker later opens on the programs folder itself.
    WideCopy(context->browseDir, kFolderUnits, context->installDir);
    if (!WideAppend(context->installDir, kFolderUnits, kMakerFolder)) return 0;
    EndWithSeparator(context->installDir, kFolderUnits);
  }

  return GetStartMenuFolder(edition, context->startMenuDir) ? 1 : 0;
}

int InitPaths(SetupContext* context) {
  return LoadSetupPayload(context) == PayloadStatus::Ok ? SettleFolders(context) : 0;
}

int IsUserAdmin() {
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &administrators)) {
    return 0;
  }
  BOOL member = FALSE;
  int answer = CheckTokenMembership(nullptr, administrators, &member) ? member : 0;
  FreeSid(administrators);
  return answer;
}
