// Linux and macOS: names are bytes, passed through untouched.

#include "sys/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::span<char *const> utf8_arguments(int argc, char **argv) {
  if (argc < 1)
    return {};
  return {argv + 1, static_cast<std::size_t>(argc - 1)};
}

std::filesystem::path native_path(const char *path) {
  return path;
}

std::FILE *open_input(const char *path) {
  return std::fopen(path, "rb");
}

bool open_outfile(const char *path, Outfile &outfile) {
  // Exclusive creation tells a new file from an existing one.
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  outfile.created = fd >= 0;
  if (fd < 0 && errno == EEXIST) {
    fd = open(path, O_WRONLY | O_CLOEXEC);
    // The name exists but its file does not: a link to a file still to be made.
    if (fd < 0 && errno == ENOENT) {
      fd = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
      outfile.created = fd >= 0;
    }
  }
  if (fd < 0)
    return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || (outfile.stream = fdopen(fd, "wb")) == nullptr) {
    // GCOVR_EXCL_START: fstat and fdopen fail only on an I/O error or no memory
    const int code = errno;
    (void)close(fd);
    if (outfile.created)
      (void)unlink(path);
    errno = code;
    return false;
  } // GCOVR_EXCL_STOP
  outfile.regular = S_ISREG(st.st_mode);
  return true;
}

std::int64_t open_file_size(std::FILE *file) {
  struct stat st {};
  if (fstat(fileno(file), &st) != 0)
    return -1;
  return st.st_size;
}

int resize_open_file(std::FILE *file, std::int64_t size) {
  return ftruncate(fileno(file), static_cast<off_t>(size)) == 0 ? 0 : errno;
}
