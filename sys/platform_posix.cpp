// Linux and macOS: names are bytes, passed through untouched.

#include "sys/platform.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::FILE *stream_of(int fd) {
  if (fd < 0)
    return nullptr;
  std::FILE *stream = fdopen(fd, "wb");
  if (stream == nullptr) {
    // GCOVR_EXCL_START: fdopen fails only when memory runs out
    const int code = errno;
    (void)close(fd);
    errno = code;
  } // GCOVR_EXCL_STOP
  return stream;
}

} // namespace

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

std::FILE *create_file(const char *path) {
  return stream_of(open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

bool open_outfile(const char *path, Outfile &outfile) {
  outfile.path = path;
  // Exclusive creation tells a new file from an existing one.
  outfile.stream = create_file(path);
  outfile.created = outfile.stream != nullptr;
  if (outfile.stream == nullptr && errno == EEXIST) {
    outfile.stream = stream_of(open(path, O_WRONLY | O_CLOEXEC));
    // The name exists but its file does not: a link to a file still to be made.
    if (outfile.stream == nullptr && errno == ENOENT) {
      outfile.stream = stream_of(open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666));
      outfile.created = outfile.stream != nullptr;
    }
  }
  if (outfile.stream == nullptr)
    return false;
  struct stat st {};
  if (fstat(fileno(outfile.stream), &st) != 0) {
    const int code = errno;
    (void)std::fclose(outfile.stream);
    if (outfile.created)
      (void)unlink(path);
    errno = code;
    return false;
  }
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
