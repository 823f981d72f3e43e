#include "script_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "answers.h"
#include "script_writer.h"

#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ldsgen {

namespace {

#ifdef _WIN32
using StatBuf = struct _stat64;
int stat_file(const char* path, StatBuf* st) {
  return _stat64(path, st);
}
int open_file(const char* path, int flags) {
  int fd = -1;
  _sopen_s(&fd, path, flags, _SH_DENYNO, _S_IREAD | _S_IWRITE);
  return fd;
}
int close_file(int fd) {
  return _close(fd);
}
long write_file(int fd, const char* data, std::size_t size) {
  return _write(fd, data, static_cast<unsigned>(size < 1u << 30 ? size : 1u << 30));
}
long read_file(int fd, char* data, std::size_t size) {
  return _read(fd, data, static_cast<unsigned>(size));
}
int sync_file(int fd) {
  return _commit(fd);
}
bool writable(const char* path) {
  return _access(path, 2) == 0;
}
// The script is text: the C runtime ends its lines with CR LF, as every Windows program expects.
constexpr int kTextMode = _O_TEXT;
constexpr int kReadMode = _O_RDONLY | _O_BINARY;
#else
using StatBuf = struct stat;
int stat_file(const char* path, StatBuf* st) {
  return stat(path, st);
}
int open_file(const char* path, int flags) {
  return open(path, flags | O_CLOEXEC, 0666);
}
int close_file(int fd) {
  return close(fd);
}
long write_file(int fd, const char* data, std::size_t size) {
  return write(fd, data, size);
}
long read_file(int fd, char* data, std::size_t size) {
  return read(fd, data, size);
}
int sync_file(int fd) {
  return fsync(fd);
}
bool writable(const char* path) {
  return access(path, W_OK) == 0;
}
constexpr int kTextMode = 0;
constexpr int kReadMode = O_RDONLY;
#endif

std::string reason() {
  return std::strerror(errno);
}

// The writer hands over 64 KiB blocks, so this passes them straight to the system, with nothing
// buffered here that could be lost. It takes blocks only, never single characters.
class DescriptorBuf : public std::streambuf {
 public:
  explicit DescriptorBuf(int fd) : fd_(fd) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      const long k = write_file(fd_, s + done, static_cast<std::size_t>(n - done));
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) break;
      done += k;
    }
    return done;
  }

 private:
  int fd_;
};

// The temporary file that a signal must remove, kept where a signal handler can read it safely.
// Names are at most 4096 bytes, and a temporary name adds a few dozen.
char g_temp[2 * kMaxFileName];
volatile std::sig_atomic_t g_temp_set = 0;
int g_temp_fd = -1;

void remember_temp(const std::string& path, int fd) {
  if (path.size() >= sizeof g_temp) return;
  std::memcpy(g_temp, path.c_str(), path.size() + 1);
  g_temp_fd = fd;
  g_temp_set = 1;
}

#ifdef _WIN32
// Runs on a thread of its own when Ctrl-C or Ctrl-Break is pressed or the console is closed;
// returning FALSE lets Windows end the program as usual.
BOOL WINAPI on_console_event(DWORD) {
  if (g_temp_set) {
    _close(g_temp_fd);  // Windows removes no file that is still open
    DeleteFileA(g_temp);
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
    std::string path = base + ".ldsgen-";
    for (int k = 0; k < 6; ++k) {
      seed = seed * 1103515245u + 12345u;
      path += kLetters[(seed >> 16) % 36];
    }
    path += ".tmp";
    *fd = open_file(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | kTextMode);
    if (*fd >= 0 || errno != EEXIST) return path;
  }
  return "";
}

bool replace(const std::string& from, const std::string& to) {
  if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
  return false;
}

std::string resolve_links(const std::string& name) {
  return name;
}
int file_mode(const StatBuf&) {
  return 0;
}
void set_mode(int, int) {}
bool is_regular(const StatBuf& st) {
  return (st.st_mode & _S_IFMT) == _S_IFREG;
}
#else
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
  std::string path = base + ".ldsgen-XXXXXX.tmp";
  *fd = mkostemps(path.data(), 4, O_CLOEXEC);
  return path;
}

bool replace(const std::string& from, const std::string& to) {
  return rename(from.c_str(), to.c_str()) == 0;
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
bool is_regular(const StatBuf& st) {
  return S_ISREG(st.st_mode);
}
#endif

void forget_temp() {
  g_temp_set = 0;
}

// A script written to a temporary file, which takes the target's place at commit().
class TempScript : public ScriptFile {
 public:
  TempScript(int fd, std::string temp, std::string target, int mode)
      : fd_(fd),
        temp_(std::move(temp)),
        target_(std::move(target)),
        mode_(mode),
        buf_(fd),
        stream_(&buf_) {
    remember_temp(temp_, fd_);
  }
  ~TempScript() override {
    if (fd_ >= 0) close_file(fd_);
    if (!committed_) {
      std::remove(temp_.c_str());
      forget_temp();
    }
  }
  std::ostream& stream() override { return stream_; }

  bool commit(std::string* why) override {
    set_mode(fd_, mode_);
    // On disk before the rename, so that a power cut leaves the old file or the new one.
    const bool stored = sync_file(fd_) == 0 && close_file(fd_) == 0;
    fd_ = -1;
    if (stored) {
      SignalsHeld held;
      committed_ = replace(temp_, target_);
      if (committed_) forget_temp();
    }
    if (!committed_) *why = reason();
    return committed_;
  }

 private:
  int fd_;
  std::string temp_, target_;
  int mode_;
  bool committed_ = false;
  DescriptorBuf buf_;
  std::ostream stream_;
};

// A device or a FIFO, which can't be replaced, only written.
class DirectScript : public ScriptFile {
 public:
  explicit DirectScript(int fd) : fd_(fd), buf_(fd), stream_(&buf_) {}
  ~DirectScript() override {
    if (fd_ >= 0) close_file(fd_);
  }
  std::ostream& stream() override { return stream_; }
  bool commit(std::string* why) override {
    const bool closed = close_file(fd_) == 0;
    fd_ = -1;
    if (!closed) *why = reason();
    return closed;
  }

 private:
  int fd_;
  DescriptorBuf buf_;
  std::ostream stream_;
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

// Reads the start of an existing file for the guard. False, with errno set, if it can't be read.
bool read_start(const std::string& path, std::string* start) {
  const int fd = open_file(path.c_str(), kReadMode);
  if (fd < 0) return false;
  start->assign(kScriptStart, '\0');
  std::size_t size = 0;
  while (size < kScriptStart) {
    const long k = read_file(fd, start->data() + size, kScriptStart - size);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) break;
    size += static_cast<std::size_t>(k);
  }
  close_file(fd);
  start->resize(size);
  return true;
}

// A temporary name must stay within the length the system allows a file name: only the first
// part of a long target's own name goes into it.
std::string temp_base(const std::string& target) {
  constexpr std::size_t kKeep = 200;
  const std::size_t slash = target.find_last_of("/\\");
  const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
  return target.substr(0, name + std::min(kKeep, target.size() - name));
}

}  // namespace

OpenedScript open_script_file(const std::string& name) {
  const std::string target = resolve_links(name);
  StatBuf st{};
  int mode = 0666;
  if (stat_file(target.c_str(), &st) == 0) {
    if (!is_regular(st)) {
      const int fd = open_file(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | kTextMode);
      return fd < 0 ? failed() : opened(std::make_unique<DirectScript>(fd));
    }
    std::string start;
    if (!read_start(target, &start)) return failed();
    if (!is_ldsgen_script(start)) {
      OpenedScript refused;
      refused.status = OpenedScript::kNotAScript;
      return refused;
    }
    if (!writable(target.c_str())) return failed();
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
  catch_signals();
  int fd = -1;
  std::string temp = unique_temp(temp_base(target), &fd);
  if (fd < 0) return failed();
  return opened(std::make_unique<TempScript>(fd, std::move(temp), target, mode));
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
