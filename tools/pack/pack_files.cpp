#include "pack_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ReadResult ReadFileBounded(const std::string& path, uint64_t limit, std::vector<uint8_t>* bytes, uint64_t* size,
                           std::string* error) {
  bytes->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = std::strerror(errno);
    return ReadResult::Unreadable;
  }
  struct stat info;
  if (fstat(fd, &info) != 0) {
    *error = std::strerror(errno);
    close(fd);
    return ReadResult::Unreadable;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = S_ISDIR(info.st_mode) ? "is a folder" : "is not a regular file";
    close(fd);
    return ReadResult::Unreadable;
  }
  // Read to the end rather than trust the size: one byte past the limit is
  // enough to refuse, and a file that changes meanwhile is still bounded.
  uint8_t chunk[65536];
  for (;;) {
    ssize_t n = read(fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = std::strerror(errno);
      close(fd);
      bytes->clear();
      return ReadResult::Unreadable;
    }
    if (n == 0) break;
    uint64_t room = limit + 1 - bytes->size();
    bytes->insert(bytes->end(), chunk, chunk + (uint64_t(n) < room ? uint64_t(n) : room));
    if (bytes->size() > limit) break;
  }
  close(fd);
  if (bytes->size() > limit) {
    *size = uint64_t(info.st_size) > limit ? uint64_t(info.st_size) : bytes->size();
    return ReadResult::TooLarge;
  }
  *size = bytes->size();
  return ReadResult::Ok;
}

namespace {

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

}  // namespace

bool WriteFilesAtomically(const std::vector<OutputFile>& files, std::string* error) {
  std::vector<std::string> temps;
  auto dropTemps = [&temps] {
    for (const std::string& t : temps) unlink(t.c_str());
  };
  for (const OutputFile& f : files) {
    std::string temp = f.path + ".tmp-XXXXXX";
    int fd = mkstemp(&temp[0]);
    if (fd < 0) {
      *error = f.path + ": cannot create a temporary file beside it: " + std::strerror(errno);
      dropTemps();
      return false;
    }
    temps.push_back(temp);
    bool ok = fchmod(fd, 0644) == 0 && WriteAll(fd, *f.bytes) && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
      ok = false;
      saved = errno;
    }
    if (!ok) {
      *error = f.path + ": cannot write: " + std::strerror(saved);
      dropTemps();
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (rename(temps[i].c_str(), files[i].path.c_str()) != 0) {
      *error = files[i].path + ": cannot replace: " + std::strerror(errno);
      for (size_t k = 0; k < i; ++k) unlink(files[k].path.c_str());
      for (size_t k = i; k < files.size(); ++k) unlink(temps[k].c_str());
      return false;
    }
  }
  return true;
}

bool PadFile(const std::string& in, const std::string& out, uint64_t size, const std::string& name,
             std::string* error) {
  std::vector<uint8_t> bytes;
  uint64_t actual = 0;
  std::string why;
  switch (ReadFileBounded(in, size, &bytes, &actual, &why)) {
    case ReadResult::Unreadable:
      *error = name + ": cannot read " + in + ": " + why;
      return false;
    case ReadResult::TooLarge:
      *error = name + " (" + in + ") is " + FormatCount(actual) + " bytes, over its fixed size of " +
               FormatCount(size) + " bytes";
      return false;
    case ReadResult::Ok:
      break;
  }
  bytes.resize(size, 0);
  return WriteFilesAtomically({{out, &bytes}}, error);
}

std::string FormatCount(uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}
