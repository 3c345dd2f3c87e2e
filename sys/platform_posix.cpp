// Linux and macOS: names are bytes, passed through untouched.

#include "sys/platform.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every descriptor this tool opens is its own: none leaks into a program
// that it might start, and none makes a terminal its controlling one.
constexpr int open_flags = O_CLOEXEC | O_NOCTTY;

int stream_of(int fd, const char *mode, std::FILE *&file) {
  if (fd < 0)
    return errno;
  file = fdopen(fd, mode);
  if (file == nullptr) {
    // GCOVR_EXCL_START: fdopen fails only when memory runs out
    const int code = errno;
    (void)close(fd);
    return code;
  } // GCOVR_EXCL_STOP
  return 0;
}

void describe(const struct stat &st, FileInfo &info) {
  info.type = S_ISREG(st.st_mode)   ? FileType::regular
              : S_ISDIR(st.st_mode) ? FileType::directory
                                    : FileType::other;
  info.id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  info.size = st.st_size;
  info.mode = static_cast<std::uint32_t>(st.st_mode & 0777);
  info.owner = static_cast<std::uint32_t>(st.st_uid);
  info.group = static_cast<std::uint32_t>(st.st_gid);
}

// The name a chain of links ends at, by reading each link in turn, as the
// system would follow them: a relative link is read from its own folder.
int follow_links(std::span<char> target) {
  // As many links as Linux follows before it gives up with ELOOP.
  for (int links = 0;; ++links) {
    struct stat st {};
    if (lstat(target.data(), &st) != 0)
      return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode))
      return 0;
    if (links == 40)
      return ELOOP;
    char link[path_capacity];
    const ssize_t length = readlink(target.data(), link, sizeof link);
    if (length < 0)
      return errno;
    if (static_cast<std::size_t>(length) >= sizeof link)
      return ENAMETOOLONG;
    const std::size_t folder = link[0] == '/' ? 0 : folder_length(target.data());
    if (folder + static_cast<std::size_t>(length) >= target.size())
      return ENAMETOOLONG;
    std::memcpy(target.data() + folder, link, static_cast<std::size_t>(length));
    target[folder + static_cast<std::size_t>(length)] = '\0';
  }
}

void (*interrupt_cleanup)() = nullptr;
constexpr int interrupts[] = {SIGINT, SIGTERM, SIGHUP};

// GCOVR_EXCL_START: a run that a signal ends writes no coverage data; the
// fault sweep's interruptions test this.
void on_signal(int signal) {
  interrupt_cleanup();
  // The handler was reset on entry, and the signal is not blocked in it.
  (void)raise(signal);
}
// GCOVR_EXCL_STOP

void set_held(int how) {
  sigset_t set;
  (void)sigemptyset(&set);
  for (const int signal : interrupts)
    (void)sigaddset(&set, signal);
  (void)sigprocmask(how, &set, nullptr);
}

// Only the owner, or root, may give a file away, and file systems that keep
// no owners or modes (FAT and exFAT, where flash cartridges take their ROMs,
// and many FUSE and network mounts) refuse either: the new file then keeps
// what it is given, as anyone else's new file would.
bool kept_as_given(int code) {
  return code == EPERM || code == ENOSYS || code == EOPNOTSUPP || code == ENOTSUP || code == EINVAL;
}

// The next character of a UTF-8 name, in lower case, and a moves past it:
// names that differ only in case are one file on macOS's and Windows's
// file systems and on FAT, so they are one file of the run everywhere. The
// letters of Latin, Greek, Cyrillic and Armenian fold, as those systems fold
// them; a byte that is no UTF-8 stands for itself.
std::uint32_t folded(const char *&a) {
  const auto byte = [&a](int i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a[i]));
  };
  std::uint32_t c = byte(0);
  int length = 1;
  if (c >= 0xC2 && c <= 0xDF && (byte(1) & 0xC0) == 0x80) {
    c = ((c & 0x1F) << 6) | (byte(1) & 0x3F);
    length = 2;
  }
  a += length;
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
      (c >= 0x391 && c <= 0x3AB) || (c >= 0x410 && c <= 0x42F))
    return c + 0x20;
  if (c >= 0x400 && c <= 0x40F)
    return c + 0x50;
  if (c >= 0x531 && c <= 0x556)
    return c + 0x30;
  // Pairs, the capital first, even or odd.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x1DE && c <= 0x1EF) ||
      (c >= 0x1F8 && c <= 0x21F) || (c >= 0x3D8 && c <= 0x3EF) || (c >= 0x460 && c <= 0x4BF) ||
      (c >= 0x4D0 && c <= 0x52F))
    return c | 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x1CD && c <= 0x1DC) ||
      (c >= 0x4C1 && c <= 0x4CE))
    return c + (c & 1);
  // Greek capitals with an accent, and the Latin letters of three cases.
  constexpr std::uint32_t odd[][2] = {
      {0x386, 0x3AC}, {0x388, 0x3AD}, {0x389, 0x3AE}, {0x38A, 0x3AF},
      {0x38C, 0x3CC}, {0x38E, 0x3CD}, {0x38F, 0x3CE}, {0x178, 0xFF},
      {0x1C4, 0x1C6}, {0x1C5, 0x1C6}, {0x1C7, 0x1C9}, {0x1C8, 0x1C9},
      {0x1CA, 0x1CC}, {0x1CB, 0x1CC}, {0x1F1, 0x1F3}, {0x1F2, 0x1F3}};
  for (const auto &[capital, small] : odd)
    if (c == capital)
      return small;
  return c;
}

} // namespace

std::span<char *const> utf8_arguments(int argc, char **argv) {
  if (argc < 1)
    return {};
  return {argv + 1, static_cast<std::size_t>(argc - 1)};
}

bool keep_standard_streams() {
  bool closed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
      continue;
    closed = closed || fd == 1;
    // Each takes the lowest free number: fd. Standard output gets /dev/full
    // where there is one, so that /dev/null given as a file of the run is
    // not taken for it.
    if (fd != 1 || open("/dev/full", O_RDWR) < 0)
      (void)open("/dev/null", O_RDWR);
  }
  (void)signal(SIGPIPE, SIG_IGN);
  return closed;
}

int open_input(const char *path, std::FILE *&file) {
  return stream_of(open(path, O_RDONLY | O_NONBLOCK | open_flags), "rb", file);
}

int open_in_place(const char *path, std::FILE *&file) {
  return stream_of(open(path, O_WRONLY | open_flags), "wb", file);
}

int identify(std::FILE *file, FileInfo &info) {
  struct stat st {};
  if (fstat(fileno(file), &st) != 0)
    return errno;
  describe(st, info);
  return 0;
}

int find_target(std::span<char> target, bool &exists, FileInfo &found) {
  // The system follows the links; write access, without truncating, is what
  // writing over the file would ask. A FIFO without a reader refuses it, and
  // is asked for reading instead, which never waits either.
  int fd = open(target.data(), O_WRONLY | O_NONBLOCK | open_flags);
  if (fd < 0 && errno == ENXIO)
    fd = open(target.data(), O_RDONLY | O_NONBLOCK | open_flags);
  exists = fd >= 0;
  if (!exists)
    return errno == ENOENT ? follow_links(target) : errno;
  struct stat st {};
  const int code = fstat(fd, &st) == 0 ? 0 : errno;
  (void)close(fd);
  if (code != 0)
    return code;
  describe(st, found);
  if (found.type != FileType::regular)
    return 0;
  // A regular file is replaced under its own name, which must be the file
  // that was opened; a link that reads as a name of no file (a deleted file
  // held open, as /proc shows it) cannot be replaced.
  if (const int failed = follow_links(target); failed != 0)
    return failed;
  if (stat(target.data(), &st) != 0)
    return errno;
  if (st.st_dev != static_cast<dev_t>(found.id.volume) ||
      st.st_ino != static_cast<ino_t>(found.id.index))
    return ENOENT;
  return 0;
}

int look_up(std::span<char> target, bool &exists, FileInfo &found) {
  if (const int failed = follow_links(target); failed != 0)
    return failed;
  struct stat st {};
  exists = stat(target.data(), &st) == 0;
  if (!exists)
    return errno == ENOENT ? 0 : errno;
  describe(st, found);
  return 0;
}

std::size_t folder_length(const char *path) {
  const char *slash = std::strrchr(path, '/');
  return slash == nullptr ? 0 : static_cast<std::size_t>(slash - path) + 1;
}

bool same_name(const char *a, const char *b) {
  while (*a != '\0' && *b != '\0')
    if (folded(a) != folded(b))
      return false;
  return *a == *b;
}

int folder_id(const char *path, FileId &id) {
  const std::size_t length = folder_length(path);
  char folder[path_capacity] = ".";
  if (length >= sizeof folder)
    return ENAMETOOLONG;
  if (length > 0) {
    std::memcpy(folder, path, length);
    folder[length] = '\0';
  }
  struct stat st {};
  if (stat(folder, &st) != 0)
    return errno;
  id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return 0;
}

int create_file(const char *path, std::FILE *&file) {
  return stream_of(open(path, O_WRONLY | O_CREAT | O_EXCL | open_flags, 0666), "wb", file);
}

int take_attributes(std::FILE *file, const FileInfo &old) {
  if (fchown(fileno(file), static_cast<uid_t>(old.owner), static_cast<gid_t>(old.group)) != 0 &&
      !kept_as_given(errno))
    return errno;
  if (fchmod(fileno(file), static_cast<mode_t>(old.mode)) != 0 && !kept_as_given(errno))
    return errno;
  return 0;
}

int replace_file(const char *from, const char *to) {
  return rename(from, to) == 0 ? 0 : errno;
}

int place_file(const char *from, const char *to, bool &both) {
  // A second name is never given over an existing file, so the new file
  // takes its name only if nothing has it; then its first name goes. A file
  // system without hard links refuses the link, and there the name is
  // checked just before the rename, which is the best it allows.
  both = false;
  if (link(from, to) == 0) {
    both = unlink(from) != 0;
    return 0;
  }
  if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
    return errno;
  struct stat st {};
  if (lstat(to, &st) == 0)
    return EEXIST;
  return errno == ENOENT ? replace_file(from, to) : errno;
}

int link_file(const char *existing, const char *name) {
  return link(existing, name) == 0 ? 0 : errno;
}

int remove_file(const char *path) {
  return unlink(path) == 0 ? 0 : errno;
}

void on_interrupt(void (*cleanup)()) {
  interrupt_cleanup = cleanup;
  struct sigaction action {};
  action.sa_handler = on_signal;
  action.sa_flags = static_cast<int>(SA_RESETHAND | SA_NODEFER);
  (void)sigemptyset(&action.sa_mask);
  for (const int signal : interrupts) {
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
      (void)sigaction(signal, &action, nullptr);
  }
}

void hold_interrupts() {
  set_held(SIG_BLOCK);
}

void release_interrupts() {
  set_held(SIG_UNBLOCK);
}
