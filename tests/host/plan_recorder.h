// The install steps run against recorders: every write and every word to the
// user is kept as plain data, and chosen writes fail on purpose.
#pragma once

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "install_steps.h"

inline std::string Narrow(const wchar_t* text) {
  std::string out;
  for (; *text; ++text) out.push_back(*text < 128 ? char(*text) : '?');
  return out;
}

struct RegistryWrite {
  const RegistryRow* row;
  std::string key;
  std::string value;  // "" for the default value
  uint32_t type;
  uint32_t bytes;
  std::string text;   // REG_SZ data without its terminator, letters past ASCII as '?'
  std::wstring wide;  // the same as written
  uint32_t number;    // REG_DWORD data
};

class PlanRecorder final : public InstallWrites, public StepSink {
 public:
  // Scripted failures.
  std::set<int> failingEntryWrites;     // by call number, from 0
  std::set<int> failingShortcuts;       // by call number, from 0
  std::set<std::string> failingValues;  // by key path + "|" + value name

  // What the steps did.
  std::vector<std::string> lines;
  std::vector<std::string> status;
  std::vector<std::string> files;      // path, then "@" and the entry offset, then "+time" when stamped
  std::vector<std::string> shortcuts;  // shortcut path -> target
  std::vector<std::string> folders;
  std::vector<RegistryWrite> values;
  std::vector<uint32_t> posted;
  std::vector<uint32_t> progress;
  bool finished = false;
  uint32_t announcements = 0;

  int CreateDirectoryChain(const wchar_t* folder) override {
    folders.push_back(Narrow(folder));
    return 1;
  }
  PayloadStatus WriteEntry(const wchar_t* path, const PayloadEntry& entry, const PayloadTime* time) override {
    files.push_back(Narrow(path) + "@" + std::to_string(entry.offset) +
                    (time ? "+" + std::to_string(time->lowDateTime) : ""));
    return failingEntryWrites.count(entryWrites_++) ? PayloadStatus::WriteFailed : PayloadStatus::Ok;
  }
  void AnnounceAssociations() override { ++announcements; }
  int32_t CreateShortcut(const wchar_t* target, const wchar_t* shortcut) override {
    shortcuts.push_back(Narrow(shortcut) + " -> " + Narrow(target));
    return failingShortcuts.count(shortcutWrites_++) ? int32_t(0x80004005) : 0;
  }
  int WriteValue(const RegistryRow& row, const void* data, uint32_t bytes) override {
    wchar_t key[kKeyPathUnits];
    ComposeKeyPath(key, kKeyPathUnits, row.key);
    RegistryWrite w = {&row, Narrow(key), row.valueName ? Narrow(row.valueName) : "", row.type, bytes, "", L"", 0};
    if (row.type == kRegSz) {
      w.wide = static_cast<const wchar_t*>(data);
      w.text = Narrow(w.wide.c_str());
    } else {
      std::memcpy(&w.number, data, 4);
    }
    values.push_back(w);
    return failingValues.count(w.key + "|" + w.value) ? 0 : 1;
  }

  void SetStatusName(const wchar_t* name) override { status.push_back(Narrow(name)); }
  void SetStatusText(const char* text) override { status.push_back(text); }
  void AddLine(const wchar_t* line) override { lines.push_back(Narrow(line)); }
  void SetProgress(uint32_t position) override { progress.push_back(position); }
  void PostNextStep(uint32_t step) override { posted.push_back(step); }
  void SetFinished() override { finished = true; }

 private:
  int entryWrites_ = 0;
  int shortcutWrites_ = 0;
};
