// Linux and macOS: names are bytes, passed through untouched. On Linux the
// write pass copies whole pieces through mapped input (unless the build says
// ROMWELD_MAPPED_COPY=0); macOS reads them, like every other system.

#include "sys/platform.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
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

#if defined(__linux__) && ROMWELD_MAPPED_COPY
namespace {

// Writes every byte of the vector, going on after a short write. Returns the
// bytes written; sets code to the error number of a failed write.
std::int64_t write_vector(int fd, iovec *vector, std::size_t count, int &code) {
  std::int64_t sent = 0;
  std::size_t first = 0;
  while (first < count && code == 0) {
    const ssize_t wrote = writev(fd, vector + first, static_cast<int>(count - first));
    if (wrote < 0) {
      code = errno == EINTR ? 0 : errno;
      continue;
    }
    sent += wrote;
    for (auto left = static_cast<std::size_t>(wrote); left > 0;) {
      const std::size_t used = std::min(left, vector[first].iov_len);
      vector[first].iov_base = static_cast<char *>(vector[first].iov_base) + used;
      vector[first].iov_len -= used;
      left -= used;
      first += vector[first].iov_len == 0 ? 1 : 0;
    }
  }
  return sent;
}

} // namespace
#endif

// Mapped input, gathered output. The input's whole pieces are mapped, and a
// window of them at a time is brought in, handed to the kernel with one
// writev that follows each piece with the same run of zeros, and let go
// again: the bytes go from the input's page cache straight into the
// outfile's, once, this program never touches them, and memory holds one
// window whatever the size of the file. An input that shrinks under the
// mapping makes the kernel fail the write with EFAULT rather than kill the
// process with SIGBUS; then, as when mapping fails (a file of /proc, say),
// reading takes over and meets the input as it now is.
std::int64_t copy_pieces(std::FILE *in, std::FILE *outfile, std::int64_t piece_size,
                         std::int64_t bank_size) {
#if defined(__linux__) && ROMWELD_MAPPED_COPY
  // About 1 MiB a window: few calls, little memory. On a 256 MiB image,
  // windows of 32 pieces took 1 to 3 % longer, of 16 pieces 5 to 6 %.
  constexpr std::int64_t window_pieces = 64;
  static const std::array<char, 4096> zeros{};
  const auto tail = static_cast<std::size_t>(bank_size - piece_size);
  const int in_fd = fileno(in);
  const int out_fd = fileno(outfile);
  struct stat st {};
  const off_t start = lseek(in_fd, 0, SEEK_CUR);
  const off_t out_start = lseek(out_fd, 0, SEEK_CUR);
  if (tail > zeros.size() || start < 0 || out_start < 0 || fstat(in_fd, &st) != 0)
    return 0;
  const std::int64_t pieces = (st.st_size - start) / piece_size;
  const std::int64_t page = sysconf(_SC_PAGESIZE);
  const std::int64_t skip = start % page; // a mapping starts on a page
  const auto length = static_cast<std::size_t>(skip + pieces * piece_size);
  void *map =
      pieces > 0 ? mmap(nullptr, length, PROT_READ, MAP_PRIVATE, in_fd, start - skip) : MAP_FAILED;
  if (map == MAP_FAILED)
    return 0;

  std::int64_t done = 0;
  int code = 0;
  while (done < pieces && code == 0) {
    const std::int64_t count = std::min(window_pieces, pieces - done);
    char *first = static_cast<char *>(map) + skip + done * piece_size;
    std::array<iovec, 2 * window_pieces> vector{};
    for (std::int64_t i = 0; i < count; ++i) {
      vector[static_cast<std::size_t>(2 * i)] = {first + i * piece_size,
                                                 static_cast<std::size_t>(piece_size)};
      vector[static_cast<std::size_t>(2 * i + 1)] = {const_cast<char *>(zeros.data()), tail};
    }
    // The window's pages, from the one its first piece starts on.
    char *window = first - (first - static_cast<char *>(map)) % page;
    const auto window_length = static_cast<std::size_t>(first + count * piece_size - window);
    // Bringing them in at once took 10 to 25 % less time than letting
    // writev fault them in; a kernel before 5.14 just takes the faults.
    (void)madvise(window, window_length, MADV_POPULATE_READ);
    done +=
        write_vector(out_fd, vector.data(), static_cast<std::size_t>(2 * count), code) / bank_size;
    (void)madvise(window, window_length, MADV_DONTNEED);
  }
  (void)munmap(map, length);
  if (code == EFAULT) {
    // The input shrank: the outfile goes back to its last whole bank, and
    // reading takes over from the piece that did not make it.
    code = lseek(out_fd, out_start + done * bank_size, SEEK_SET) < 0 ? errno : 0;
  }
  if (code == 0 && done > 0 && fseeko(in, start + done * piece_size, SEEK_SET) != 0)
    code = errno;
  if (code != 0) {
    errno = code;
    return -1;
  }
  return done;
#else
  (void)in;
  (void)outfile;
  (void)piece_size;
  (void)bank_size;
  return 0;
#endif
}
