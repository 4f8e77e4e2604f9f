#include "shell_link.h"

HRESULT CreateShellLink(ComPtr<IShellLinkW>* link, ComPtr<IPersistFile>* file) {
  // The identifiers come from the headers' declarations (__uuidof), not from
  // libuuid, whose one object holds every identifier of the platform: 46 KB
  // a program would otherwise carry for three of them.
  HRESULT result = CoCreateInstance(__uuidof(ShellLink), nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link->Put()));
  if (SUCCEEDED(result)) {
    result = (*link)->QueryInterface(IID_PPV_ARGS(file->Put()));
    if (FAILED(result)) link->Reset();
  }
  return result;
}
