// Windows: names travel as UTF-16 between the tool and the system, and as
// UTF-8 inside the tool and in its report. The narrow calls would pass them
// through the ANSI code page, which turns what it lacks into '?' or into a
// look-alike ("Ā.dat" becomes "A.dat", another file), so every name goes
// through the wide calls.

#include "sys/platform.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <io.h>
#include <string_view>

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

std::filesystem::path native_path(const char *path) {
  // From char8_t the library decodes UTF-8; from char it would widen each
  // byte on its own.
  return std::u8string_view(reinterpret_cast<const char8_t *>(path));
}

// The C library's number for a system error.
int error_of(DWORD error) {
  switch (error) {
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_INVALID_NAME:
  case ERROR_INVALID_DRIVE:
  case ERROR_BAD_NETPATH:
  case ERROR_BAD_PATHNAME:
    return ENOENT;
  case ERROR_ACCESS_DENIED:
  case ERROR_SHARING_VIOLATION:
  case ERROR_LOCK_VIOLATION:
  case ERROR_WRITE_PROTECT:
    return EACCES;
  case ERROR_FILE_EXISTS:
  case ERROR_ALREADY_EXISTS:
    return EEXIST;
  case ERROR_TOO_MANY_OPEN_FILES:
    return EMFILE;
  case ERROR_DISK_FULL:
  case ERROR_HANDLE_DISK_FULL:
    return ENOSPC;
  case ERROR_FILENAME_EXCED_RANGE:
    return ENAMETOOLONG;
  case ERROR_NOT_SAME_DEVICE:
    return EXDEV;
  case ERROR_NOT_ENOUGH_MEMORY:
  case ERROR_OUTOFMEMORY:
    return ENOMEM;
  default:
    return EIO;
  }
}

int last_error() {
  return error_of(GetLastError());
}

// Files are opened by the system's own call, which can ask for what the C
// library cannot (a folder opened to be told from a file, a new file that an
// interrupt may delete while it is open), and then handed to a C stream.
int stream_of(HANDLE handle, int flags, const char *mode, std::FILE *&file) {
  if (handle == INVALID_HANDLE_VALUE)
    return last_error();
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
  if (fd < 0) {
    (void)CloseHandle(handle);
    return EMFILE;
  }
  file = _fdopen(fd, mode);
  if (file == nullptr) {
    (void)_close(fd);
    return ENOMEM;
  }
  return 0;
}

// Devices and pipes have no file index; each kind is told apart by its type.
int describe(HANDLE handle, FileInfo &info) {
  info = {};
  const DWORD type = GetFileType(handle);
  if (type != FILE_TYPE_DISK) {
    info.type = FileType::other;
    info.id = {~std::uint64_t{0}, type};
    return 0;
  }
  BY_HANDLE_FILE_INFORMATION file{};
  if (GetFileInformationByHandle(handle, &file) == 0)
    return last_error();
  info.type = (file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileType::directory
                                                                      : FileType::regular;
  info.id = {file.dwVolumeSerialNumber,
             std::uint64_t{file.nFileIndexHigh} << 32U | file.nFileIndexLow};
  info.size =
      static_cast<std::int64_t>(std::uint64_t{file.nFileSizeHigh} << 32U | file.nFileSizeLow);
  return 0;
}

HANDLE open_existing(const wchar_t *path, DWORD access) {
  // Backup semantics let a folder open too, to be told from a file.
  return CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The name by which the system itself knows an open file: through links,
// and with the drive letter of its volume, however the path reached it.
int final_path(HANDLE handle, std::span<char> target) {
  static std::array<wchar_t, command_line_units + 1> wide;
  const DWORD units = GetFinalPathNameByHandleW(handle, wide.data(), command_line_units,
                                                FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (units == 0 || units >= command_line_units)
    return units == 0 ? last_error() : ENAMETOOLONG;
  const int bytes =
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), -1, target.data(),
                          static_cast<int>(target.size()), nullptr, nullptr);
  return bytes > 0 ? 0 : ENAMETOOLONG;
}

void (*interrupt_cleanup)() = nullptr;
CRITICAL_SECTION held;
bool watching = false;

// Runs on a thread of its own while the run goes on. Once the files are
// removed, the next handler, the system's, ends the process as Ctrl-C does.
BOOL WINAPI on_control(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
    return FALSE;
  EnterCriticalSection(&held);
  interrupt_cleanup();
  return FALSE;
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

bool keep_standard_streams() {
  bool closed = false;
  for (int fd = 0; fd <= 2; ++fd) {
    if (_get_osfhandle(fd) != -1)
      continue;
    closed = closed || fd == 1;
    const int null = _wopen(L"NUL", _O_RDWR | _O_BINARY | _O_NOINHERIT);
    if (null >= 0 && null != fd) {
      (void)_dup2(null, fd);
      (void)_close(null);
    }
  }
  return closed;
}

int open_input(const char *path, std::FILE *&file) {
  return stream_of(open_existing(native_path(path).c_str(), GENERIC_READ), _O_RDONLY, "rb", file);
}

int open_in_place(const char *path, std::FILE *&file) {
  return stream_of(open_existing(native_path(path).c_str(), GENERIC_WRITE), _O_WRONLY, "wb", file);
}

int identify(std::FILE *file, FileInfo &info) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  if (handle == INVALID_HANDLE_VALUE)
    return EBADF;
  return describe(handle, info);
}

namespace {

// Finds target, opened with access.
int find_with(std::span<char> target, DWORD access, bool &exists, FileInfo &found) {
  const std::filesystem::path path = native_path(target.data());
  const HANDLE handle = open_existing(path.c_str(), access);
  exists = handle != INVALID_HANDLE_VALUE;
  if (!exists) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
      return error_of(error);
    // A link that leads nowhere is not replaced by a file.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
               ? ENOENT
               : 0;
  }
  int code = describe(handle, found);
  if (code == 0 && found.type == FileType::directory)
    code = EISDIR;
  if (code == 0 && found.type == FileType::regular)
    code = final_path(handle, target);
  (void)CloseHandle(handle);
  return code;
}

} // namespace

int find_target(std::span<char> target, bool &exists, FileInfo &found) {
  return find_with(target, GENERIC_WRITE, exists, found);
}

int look_up(std::span<char> target, bool &exists, FileInfo &found) {
  return find_with(target, 0, exists, found);
}

std::size_t folder_length(const char *path) {
  std::size_t length = 0;
  for (std::size_t i = 0; path[i] != '\0'; ++i)
    if (path[i] == '/' || path[i] == '\\' || path[i] == ':')
      length = i + 1;
  return length;
}

bool same_name(const char *a, const char *b) {
  // Names that differ only in case name one file on Windows's file systems.
  return CompareStringOrdinal(native_path(a).c_str(), -1, native_path(b).c_str(), -1, TRUE) ==
         CSTR_EQUAL;
}

int folder_id(const char *path, FileId &id) {
  std::array<char, path_capacity + 2> folder{};
  const std::size_t length = folder_length(path);
  if (length + 2 > folder.size())
    return ENAMETOOLONG;
  std::memcpy(folder.data(), path, length);
  // "C:" alone is the current folder of drive C.
  if (length == 0 || path[length - 1] == ':')
    folder[length] = '.';
  const HANDLE handle = open_existing(native_path(folder.data()).c_str(), 0);
  if (handle == INVALID_HANDLE_VALUE)
    return last_error();
  FileInfo info{};
  const int code = describe(handle, info);
  (void)CloseHandle(handle);
  id = info.id;
  return code;
}

int create_file(const char *path, std::FILE *&file) {
  // Others may read it, and an interrupt may delete it while it is open.
  return stream_of(CreateFileW(native_path(path).c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr),
                   _O_WRONLY, "wb", file);
}

int take_attributes(std::FILE *, const FileInfo &) {
  // A new file takes its folder's permissions, as the old one did.
  return 0;
}

int replace_file(const char *from, const char *to) {
  return MoveFileExW(native_path(from).c_str(), native_path(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING) != 0
             ? 0
             : last_error();
}

int place_file(const char *from, const char *to, bool &both) {
  both = false;
  // Without MOVEFILE_REPLACE_EXISTING, a file that has appeared under the
  // name meanwhile stays, and the move fails.
  return MoveFileExW(native_path(from).c_str(), native_path(to).c_str(), 0) != 0 ? 0 : last_error();
}

int link_file(const char *existing, const char *name) {
  return CreateHardLinkW(native_path(name).c_str(), native_path(existing).c_str(), nullptr) != 0
             ? 0
             : last_error();
}

int remove_file(const char *path) {
  return DeleteFileW(native_path(path).c_str()) != 0 ? 0 : last_error();
}

void on_interrupt(void (*cleanup)()) {
  interrupt_cleanup = cleanup;
  InitializeCriticalSection(&held);
  watching = SetConsoleCtrlHandler(on_control, TRUE) != 0;
}

void hold_interrupts() {
  if (watching)
    EnterCriticalSection(&held);
}

void release_interrupts() {
  if (watching)
    LeaveCriticalSection(&held);
}
