#include "script_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "answers.h"
#include "data_file.h"
#include "lavaan_writer.h"
#include "path_diagram.h"
#include "script_writer.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>
#endif

namespace ldsgen {

namespace {

#ifdef _WIN32
// Names are UTF-8 inside the program and UTF-16 to Windows, so that any name works whatever
// the code page.
std::wstring wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), n);
  return text;
}
std::string utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                      nullptr, nullptr);
  return bytes;
}

// The C runtime's errno for what Windows says went wrong, where it has one that says more.
void set_errno_from_windows() {
  switch (GetLastError()) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      errno = ENOSPC;
      break;
    case ERROR_ACCESS_DENIED:
      errno = EACCES;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      errno = EEXIST;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      errno = ENOENT;
      break;
    default:
      errno = EIO;
  }
}

using StatBuf = struct _stat64;
int stat_file(const std::string& path, StatBuf* st) {
  return _wstat64(wide(path).c_str(), st);
}
int open_file(const std::string& path, int flags) {
  int fd = -1;
  _wsopen_s(&fd, wide(path).c_str(), flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  return fd;
}
int close_file(int fd) {
  return _close(fd);
}
// Written with WriteFile, whose reason for a failure (a full disk) the C runtime's _write loses.
// A script is text: its lines end with CR LF, as every Windows program expects.
long write_file(int fd, const char* data, std::size_t size, bool crlf) {
  if (!crlf) {
    DWORD wrote = 0;
    const HANDLE raw = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (WriteFile(raw, data, chunk, &wrote, nullptr) && wrote > 0) return static_cast<long>(wrote);
    set_errno_from_windows();
    return -1;
  }
  std::string text;
  text.reserve(size + size / 16);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\n') text += '\r';
    text += data[i];
  }
  const HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD wrote = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
    if (!WriteFile(file, text.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      set_errno_from_windows();
      return -1;
    }
    done += wrote;
  }
  return static_cast<long>(size);
}
long read_file(int fd, char* data, std::size_t size) {
  return _read(fd, data, static_cast<unsigned>(size));
}
int sync_file(int fd) {
  return _commit(fd);
}
bool writable(const std::string& path) {
  return _waccess(wide(path).c_str(), 2) == 0;
}
int remove_file(const std::string& path) {
  return _wremove(wide(path).c_str());
}
constexpr int kTextMode = _O_BINARY;  // write_file ends the lines itself
constexpr int kReadMode = _O_RDONLY | _O_BINARY;
#else
using StatBuf = struct stat;
int stat_file(const std::string& path, StatBuf* st) {
  return stat(path.c_str(), st);
}
int open_file(const std::string& path, int flags) {
  return open(path.c_str(), flags | O_CLOEXEC, 0666);
}
int close_file(int fd) {
  return close(fd);
}
long write_file(int fd, const char* data, std::size_t size, bool) {
  return write(fd, data, size);
}
long read_file(int fd, char* data, std::size_t size) {
  return read(fd, data, size);
}
int sync_file(int fd) {
  return fsync(fd);
}
bool writable(const std::string& path) {
  return access(path.c_str(), W_OK) == 0;
}
int remove_file(const std::string& path) {
  return unlink(path.c_str());
}
constexpr int kTextMode = 0;
constexpr int kReadMode = O_RDONLY;
#endif

std::string reason() {
  return std::strerror(errno);
}

// The temporary file that a signal must remove, kept where a signal handler can read it safely.
// Names are at most 4096 bytes, and a temporary name adds a few dozen.
#ifdef _WIN32
wchar_t g_temp[2 * kMaxFileName];
#else
char g_temp[2 * kMaxFileName];
#endif
volatile std::sig_atomic_t g_temp_set = 0;
int g_temp_fd = -1;

void remember_temp(const std::string& path, int fd) {
#ifdef _WIN32
  const std::wstring name = wide(path);
#else
  const std::string& name = path;
#endif
  if (name.size() >= sizeof g_temp / sizeof g_temp[0]) return;
  std::copy(name.c_str(), name.c_str() + name.size() + 1, g_temp);
  g_temp_fd = fd;
  g_temp_set = 1;
}

void forget_temp() {
  g_temp_set = 0;
}

// Temporary names carry the host and the process, so that a later run can tell the leftovers
// of a run that was killed from the file of a run that is still going.
std::string host_name() {
  std::string host;
#ifdef _WIN32
  wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (GetComputerNameW(buf, &size)) host = utf8(std::wstring(buf, size));
#else
  char buf[256] = {};
  if (gethostname(buf, sizeof buf - 1) == 0) host = buf;
#endif
  for (char& c : host)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
  return host.empty() ? "host" : host.substr(0, 64);
}

#ifdef _WIN32
unsigned long process_id() {
  return GetCurrentProcessId();
}
bool process_ended(unsigned long pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
  CloseHandle(process);
  return ended;
}
std::vector<std::string> files_in(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(wide(folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(utf8(found.cFileName));
  while (FindNextFileW(find, &found));
  FindClose(find);
  return names;
}

// Runs on a thread of its own when Ctrl-C or Ctrl-Break is pressed or the console is closed;
// returning FALSE lets Windows end the program as usual.
BOOL WINAPI on_console_event(DWORD) {
  if (g_temp_set) {
    _close(g_temp_fd);  // Windows removes no file that is still open
    DeleteFileW(g_temp);
  }
  return FALSE;
}

void catch_signals() {
  static const bool caught = SetConsoleCtrlHandler(on_console_event, TRUE) != 0;
  static_cast<void>(caught);
}

// Holds nothing back: after the rename the console handler finds no file under the temporary
// name to delete.
class SignalsHeld {
 public:
  SignalsHeld() {}
  ~SignalsHeld() {}
};

std::string unique_temp(const std::string& base, int* fd) {
  static unsigned long seed = GetCurrentProcessId() ^ static_cast<unsigned long>(GetTickCount64());
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = base;
    for (int k = 0; k < 6; ++k) {
      seed = seed * 1103515245u + 12345u;
      path += kLetters[(seed >> 16) % 36];
    }
    path += ".tmp";
    *fd = open_file(path, _O_CREAT | _O_EXCL | _O_WRONLY | kTextMode);
    if (*fd >= 0 || errno != EEXIST) return path;
  }
  return "";
}

bool replace(const std::string& from, const std::string& to) {
  if (MoveFileExW(wide(from).c_str(), wide(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  set_errno_from_windows();
  return false;
}

// Gives the file its name only where no file has it: false, with errno EEXIST, where one has.
bool place(const std::string& from, const std::string& to) {
  if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  set_errno_from_windows();
  return false;
}

std::optional<std::uint64_t> free_bytes(const std::string& folder) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(wide(folder).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

// A device (NUL, CON, a pipe) is known by what Windows says of it when opened; _wstat64 fails
// on some.
bool leads_to_device(const std::string& name) {
  const HANDLE file =
      CreateFileW(wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const DWORD type = GetFileType(file);
  CloseHandle(file);
  return type == FILE_TYPE_CHAR || type == FILE_TYPE_PIPE;
}

// Windows' own links are not followed: the script takes the link's place, as the manual says.
std::string resolve_links(const std::string& name) {
  return name;
}
int file_mode(const StatBuf&) {
  return 0;
}
void set_mode(int, int) {}
#else
unsigned long process_id() {
  return static_cast<unsigned long>(getpid());
}
bool process_ended(unsigned long pid) {
  return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}
std::vector<std::string> files_in(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
  }
  return names;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};

// The program ends here, so no coverage data is written for these lines; the end-to-end tests
// send the signals and check that the temporary file is gone.
// GCOVR_EXCL_START
extern "C" void on_signal(int sig) {
  if (g_temp_set) unlink(g_temp);
  signal(sig, SIG_DFL);
  raise(sig);
}
// GCOVR_EXCL_STOP

// Signals that the user or the shell had set to be ignored stay ignored.
void catch_signals() {
  static bool caught = false;
  if (caught) return;
  caught = true;
  for (int sig : kSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
      struct sigaction now {};
      now.sa_handler = on_signal;
      sigemptyset(&now.sa_mask);
      sigaction(sig, &now, nullptr);
    }
  }
}

// Holds the signals back while the script takes its place, so that none can strike between the
// rename and forgetting the temporary name.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t all;
    sigemptyset(&all);
    for (int sig : kSignals) sigaddset(&all, sig);
    sigprocmask(SIG_BLOCK, &all, &old_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

 private:
  sigset_t old_;
};

std::string unique_temp(const std::string& base, int* fd) {
  std::string path = base + "XXXXXX.tmp";
  *fd = mkostemps(path.data(), 4, O_CLOEXEC);
  return path;
}

bool replace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
}

// Gives the file its name only where no file has it: false, with errno EEXIST, where one has.
bool place(const std::string& from, const std::string& to) {
#ifdef __linux__
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
#endif
  // GCOVR_EXCL_START: file systems without that rename, which the tests' disks all have.
  // A hard link fails where the name is taken.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  // Nor hard links (FAT): a look just before the rename is the best there is.
  struct stat st {};
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return replace(from, to);
  // GCOVR_EXCL_STOP
}

std::optional<std::uint64_t> free_bytes(const std::string& folder) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
}

// A device or a FIFO, or a folder, which is not replaced but opened (and a folder refused).
bool leads_to_device(const std::string& name) {
  struct stat st {};
  return stat(name.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

// The file a chain of symbolic links ends at, so that the links stay and their target is
// replaced.
std::string resolve_links(const std::string& name) {
  std::string path = name;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(static_cast<std::size_t>(st.st_size) + 1, '\0');
    const ssize_t size = readlink(path.c_str(), target.data(), target.size());
    if (size < 0 || static_cast<std::size_t>(size) >= target.size()) return path;
    target.resize(static_cast<std::size_t>(size));
    const std::size_t slash = path.rfind('/');
    path = target.front() == '/' || slash == std::string::npos ? target
                                                               : path.substr(0, slash + 1) + target;
  }
  return path;
}

int file_mode(const StatBuf& st) {
  return st.st_mode & 07777;
}
void set_mode(int fd, int mode) {
  fchmod(fd, static_cast<mode_t>(mode));
}
#endif

// The folder a path names a file in, and the file's own name.
std::string folder_of(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}
std::string file_of(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A temporary name must stay within the length the system allows a file name: only the first
// part of a long target's own name goes into it. Then the host and the process.
std::string temp_prefix(const std::string& target, const std::string& host) {
  constexpr std::size_t kKeep = 160;
  const std::string file = file_of(target);
  return target.substr(0, target.size() - file.size()) + file.substr(0, kKeep) + ".ldsgen-" + host +
         "-";
}

// Removes the temporary files that runs on this host left beside the target when they were
// killed (or the power failed) before they could, and says which.
void remove_leftovers(const std::string& target, std::vector<std::string>* notes) {
  const std::string prefix = file_of(temp_prefix(target, host_name()));
  const std::string folder = folder_of(target);
  for (const std::string& name : files_in(folder)) {
    if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < prefix.size() + 5 ||
        name.compare(name.size() - 4, 4, ".tmp") != 0)
      continue;
    // A process number of up to nine digits; anything else is not a name of ours.
    const std::size_t digits = name.find_first_not_of("0123456789", prefix.size());
    if (digits == prefix.size() || digits > prefix.size() + 9 || name[digits] != '-') continue;
    const unsigned long pid = std::stoul(name.substr(prefix.size(), digits - prefix.size()));
    if (pid == process_id() || !process_ended(pid)) continue;
    const std::string path = target.substr(0, target.size() - file_of(target).size()) + name;
    if (remove_file(path) == 0)
      notes->push_back("removed '" + printable(path) +
                       "', left by an ldsgen run that ended before it was done");
  }
}

// The name a complete script is kept under when its own was taken meanwhile: "growth-1.inp".
bool place_beside(const std::string& temp, const std::string& target, std::string* kept) {
  const std::string file = file_of(target);
  std::size_t dot = file.rfind('.');
  if (dot == std::string::npos || dot == 0) dot = file.size();
  const std::size_t at = target.size() - file.size() + dot;
  for (int k = 1; k < 1000; ++k) {
    *kept = target.substr(0, at) + "-" + std::to_string(k) + target.substr(at);
    const bool placed = place(temp, *kept);
    if (placed || errno != EEXIST) return placed;
  }
  return false;  // GCOVR_EXCL_LINE: a thousand names taken
}

// The writer hands over 64 KiB blocks, so this passes them straight to the system, with nothing
// buffered here that could be lost.
class DescriptorSink : public Sink {
 public:
  DescriptorSink(int fd, bool crlf) : fd_(fd), crlf_(crlf) {}

  bool write(const char* data, std::size_t size) override {
    std::size_t done = 0;
    while (done < size) {
      const long k = write_file(fd_, data + done, size - done, crlf_);
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) return false;
      done += static_cast<std::size_t>(k);
    }
    return true;
  }

 private:
  int fd_;
  bool crlf_;
};

// What a file is written as: which existing files it may replace (those ldsgen wrote, of the
// same kind), and whether its lines end with CR LF on Windows.
struct Kind {
  bool (*ours)(std::string_view start);
  bool crlf;
};
#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif
constexpr Kind kScript{is_ldsgen_script, kWindows};
constexpr Kind kSvg{is_ldsgen_svg, false};
constexpr Kind kLavaan{is_ldsgen_lavaan, kWindows};

// Reads at most `most` bytes from the start of a file, and says whether that was all of it.
// False, with errno set, if it can't be opened; `failed` when it could not be read.
bool read_prefix(const std::string& path, std::size_t most, std::string* text, bool* whole,
                 bool* failed) {
  const int fd = open_file(path, kReadMode);
  if (fd < 0) return false;
  text->assign(most + 1, '\0');  // a byte more says whether there is more
  std::size_t size = 0;
  long k = 0;
  while (size <= most) {
    k = read_file(fd, text->data() + size, most + 1 - size);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) break;
    size += static_cast<std::size_t>(k);
  }
  const int error = errno;
  close_file(fd);
  errno = error;
  *failed = k < 0;
  *whole = size <= most;
  text->resize(std::min(size, most));
  return true;
}

// Reads the start of an existing file for the guard. False, with errno set, if it can't be read.
bool read_start(const std::string& path, std::string* start) {
  bool whole = false, failed = false;
  return read_prefix(path, std::max(kScriptStart, kSvgStart), start, &whole, &failed);
}

// Reached only when the disk fails fsync or close, or a rename fails for another reason than a
// name taken meanwhile, which no test here can bring about.
// GCOVR_EXCL_START
bool failed_because(std::string* why) {
  *why = reason();
  return false;
}
// GCOVR_EXCL_STOP

// A script written to a temporary file, which takes the target's place at commit(): where the
// target held a script, if it still does; where it was free, only if it still is. Else the
// script is kept under a new name beside it, and nothing is replaced.
class TempScript : public ScriptFile {
 public:
  TempScript(int fd, std::string temp, std::string target, int mode, bool existed, Kind kind)
      : fd_(fd),
        temp_(std::move(temp)),
        target_(std::move(target)),
        mode_(mode),
        existed_(existed),
        kind_(kind),
        sink_(fd, kind.crlf) {
    remember_temp(temp_, fd_);
  }
  ~TempScript() override {
    if (fd_ >= 0) close_file(fd_);
    if (!gone_) {
      remove_file(temp_);
      forget_temp();
    }
  }
  Sink& sink() override { return sink_; }
  std::optional<std::uint64_t> free_space() const override {
    return free_bytes(folder_of(target_));
  }
#ifdef _WIN32
  bool crlf() const override {
    return true;
  }
#endif

  bool commit(std::string* why) override {
    set_mode(fd_, mode_);
    // On disk before the rename, so that a power cut leaves the old file or the new one.
    const bool stored = sync_file(fd_) == 0 && close_file(fd_) == 0;
    fd_ = -1;
    if (!stored) return failed_because(why);
    SignalsHeld held;
    // A file may have taken the name while the questions were answered: it is replaced only if
    // it is a script too (another run's), as when the name was given.
    bool placed = !existed_ && place(temp_, target_);
    if (!placed && (existed_ || errno == EEXIST)) {
      std::string start;
      placed = !(read_start(target_, &start) && !kind_.ours(start));
      if (placed) {
        placed = replace(temp_, target_);
      } else {
        errno = EEXIST;
      }
    }
    if (placed) forget_temp();
    gone_ = placed;
    if (placed || errno != EEXIST) return placed || failed_because(why);
    std::string kept;
    gone_ = place_beside(temp_, target_, &kept);
    if (gone_) forget_temp();
    *why =
        "a file that is not an ldsgen script took its name while the questions were "
        "answered, and is left as it is; " +
        (gone_ ? "the script is kept as '" + printable(kept) + "'"
               : "the script could not be kept: " + reason());
    return false;
  }

 private:
  int fd_;
  std::string temp_, target_;
  int mode_;
  bool existed_;
  Kind kind_;
  bool gone_ = false;  // the temporary file has a name of its own now
  DescriptorSink sink_;
};

// A device or a FIFO, which can't be replaced, only written.
class DirectScript : public ScriptFile {
 public:
  DirectScript(int fd, Kind kind) : fd_(fd), sink_(fd, kind.crlf) {}
  ~DirectScript() override {
    if (fd_ >= 0) close_file(fd_);
  }
  Sink& sink() override { return sink_; }
  bool commit(std::string* why) override {
    const bool closed = close_file(fd_) == 0;
    fd_ = -1;
    if (!closed) *why = reason();
    return closed;
  }

 private:
  int fd_;
  DescriptorSink sink_;
};

OpenedScript failed() {
  OpenedScript result;
  result.why = reason();
  return result;
}

OpenedScript opened(std::unique_ptr<ScriptFile> file) {
  OpenedScript result;
  result.status = OpenedScript::kOpened;
  result.file = std::move(file);
  return result;
}

}  // namespace

namespace {

OpenedScript open_output(const std::string& name, Kind kind) {
  // A device or a pipe, even one reached through links (/dev/stderr, /dev/fd/3), is written
  // directly: it is decided by what the name leads to, not by what a link says.
  if (leads_to_device(name)) {
    const int fd = open_file(name, O_WRONLY | O_CREAT | O_TRUNC | kTextMode);
    return fd < 0 ? failed() : opened(std::make_unique<DirectScript>(fd, kind));
  }
  const std::string target = resolve_links(name);
  StatBuf st{};
  int mode = 0666;
  const bool existed = stat_file(target, &st) == 0;
  if (existed) {
    std::string start;
    if (!read_start(target, &start)) return failed();
    if (!kind.ours(start)) {
      OpenedScript refused;
      refused.status = OpenedScript::kNotAScript;
      return refused;
    }
    if (!writable(target)) return failed();
    mode = file_mode(st);
  } else if (errno != ENOENT) {
    return failed();  // a loop of links, a folder that can't be searched
  } else {
#ifndef _WIN32
    const mode_t mask = umask(0);
    umask(mask);
    mode &= ~static_cast<int>(mask);
#endif
  }
  std::vector<std::string> notes;
  remove_leftovers(target, &notes);
  catch_signals();
  int fd = -1;
  std::string temp =
      unique_temp(temp_prefix(target, host_name()) + std::to_string(process_id()) + "-", &fd);
  if (fd < 0) return failed();
  OpenedScript result =
      opened(std::make_unique<TempScript>(fd, std::move(temp), target, mode, existed, kind));
  result.notes = std::move(notes);
  return result;
}

}  // namespace

OpenedScript open_script_file(const std::string& name) {
  return open_output(name, kScript);
}

OpenedScript open_svg_file(const std::string& name) {
  return open_output(name, kSvg);
}

OpenedScript open_lavaan_file(const std::string& name) {
  return open_output(name, kLavaan);
}

DataBeginning read_data_beginning(const std::string& path) {
  DataBeginning data;
  StatBuf st{};
  if (stat_file(path, &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return data;  // not there (yet): nothing to check
    data.why = reason();
  } else if ((st.st_mode & S_IFMT) == S_IFDIR) {
    data.why = "it is a folder";
  } else if ((st.st_mode & S_IFMT) != S_IFREG) {
    return data;  // a device or a pipe is read by Mplus alone: reading it here would take its data
  } else {
    bool failed = false;
    if (read_prefix(path, kDataBytes, &data.text, &data.whole, &failed) && !failed) {
      data.status = DataBeginning::kRead;
      return data;
    }
    // Reached only when a regular file that stat() found can't be opened or read, which no
    // test run as root can bring about.
    data.why = reason();  // GCOVR_EXCL_LINE
    data.text.clear();    // GCOVR_EXCL_LINE
  }
  data.status = DataBeginning::kUnreadable;
  return data;
}

void open_standard_descriptors() {
#ifndef _WIN32
  for (int fd = 0; fd <= 2; ++fd) {
    // The lowest free descriptor is this one, as those below it are open.
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF)
      open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  }
#endif
}

}  // namespace ldsgen
