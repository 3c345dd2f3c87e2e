// Windows: names travel as UTF-16 between the tool and the system, and as
// UTF-8 inside the tool and in its report. The narrow calls would pass them
// through the ANSI code page, which turns what it lacks into '?' or into a
// look-alike ("Ā.dat" becomes "A.dat", another file), so every name goes
// through the wide calls.

#include "sys/platform.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <windows.h>

#include <shellapi.h>

namespace {

// A command line holds at most 32,767 UTF-16 units, each of which takes at
// most 3 bytes of UTF-8, and every argument takes at least two units with the
// space after it; so fixed buffers hold any command line.
constexpr int command_line_units = 32767;
std::array<char, 3 * command_line_units + command_line_units> argument_bytes;
std::array<char *, command_line_units / 2 + 1> argument_list;

UINT console_code_page = 0;

void restore_console() {
  (void)SetConsoleOutputCP(console_code_page);
}

std::FILE *stream_of(int fd) {
  if (fd < 0)
    return nullptr;
  std::FILE *stream = _fdopen(fd, "wb");
  if (stream == nullptr) {
    const int code = errno;
    (void)_close(fd);
    errno = code;
  }
  return stream;
}

} // namespace

std::span<char *const> utf8_arguments(int, char **) {
  if (GetFileType(GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR) {
    console_code_page = GetConsoleOutputCP();
    if (SetConsoleOutputCP(CP_UTF8) != 0)
      (void)std::atexit(restore_console);
  }

  int count = 0;
  LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr)
    return {};
  std::size_t used = 0;
  std::size_t listed = 0;
  for (int i = 1; i < count && listed < argument_list.size(); ++i) {
    char *at = argument_bytes.data() + used;
    const int room = static_cast<int>(argument_bytes.size() - used);
    // A name that is not valid UTF-16 (a lone surrogate) has no UTF-8 form;
    // it becomes the empty name, which names no file, rather than a
    // substitute that might name another one.
    int bytes =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide[i], -1, at, room, nullptr, nullptr);
    if (bytes <= 0) {
      *at = '\0';
      bytes = 1;
    }
    argument_list[listed++] = at;
    used += static_cast<std::size_t>(bytes);
  }
  (void)LocalFree(wide);
  return {argument_list.data(), listed};
}

std::filesystem::path native_path(const char *path) {
  // From char8_t the library decodes UTF-8; from char it would widen each
  // byte on its own.
  return std::u8string_view(reinterpret_cast<const char8_t *>(path));
}

std::FILE *open_input(const char *path) {
  return _wfopen(native_path(path).c_str(), L"rb");
}

std::FILE *create_file(const char *path) {
  return stream_of(_wopen(native_path(path).c_str(),
                          _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE));
}

bool open_outfile(const char *path, Outfile &outfile) {
  outfile.path = path;
  const std::filesystem::path name = native_path(path);
  // Exclusive creation tells a new file from an existing one.
  outfile.stream = create_file(path);
  outfile.created = outfile.stream != nullptr;
  if (outfile.stream == nullptr && errno == EEXIST) {
    outfile.stream = stream_of(_wopen(name.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT));
    // The name exists but its file does not: a link to a file still to be made.
    if (outfile.stream == nullptr && errno == ENOENT) {
      outfile.stream = stream_of(_wopen(
          name.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_NOINHERIT, _S_IREAD | _S_IWRITE));
      outfile.created = outfile.stream != nullptr;
    }
  }
  if (outfile.stream == nullptr)
    return false;
  struct _stat64 st {};
  if (_fstat64(_fileno(outfile.stream), &st) != 0) {
    const int code = errno;
    (void)std::fclose(outfile.stream);
    if (outfile.created)
      (void)_wunlink(name.c_str());
    errno = code;
    return false;
  }
  outfile.regular = (st.st_mode & _S_IFMT) == _S_IFREG;
  return true;
}

std::int64_t open_file_size(std::FILE *file) {
  struct _stat64 st {};
  if (_fstat64(_fileno(file), &st) != 0)
    return -1;
  return st.st_size;
}

int resize_open_file(std::FILE *file, std::int64_t size) {
  return _chsize_s(_fileno(file), size);
}
