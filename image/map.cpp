#include "image/map.h"

#include "sys/platform.h"
#include "sys/report.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

const char *map_path = nullptr;
std::FILE *map_stream = nullptr;
int map_error = 0; // the first failed write's error number
// Room for the longest path of the common systems, and a suffix.
std::array<char, 4096 + 16> temp_path;

bool map_failed(const char *what, int code) {
  fail(map_path, reason_of(code), "Failed to %s map file %s, code %d\n", what, map_path, code);
  return false;
}

// A tab, line end or backslash in a path would break the row, so these are
// written as the escapes \t, \n, \r and \\.
void put_field(const char *text) {
  for (const char *c = text; *c != '\0'; ++c) {
    switch (*c) {
    case '\t':
      (void)std::fputs("\\t", map_stream);
      break;
    case '\n':
      (void)std::fputs("\\n", map_stream);
      break;
    case '\r':
      (void)std::fputs("\\r", map_stream);
      break;
    case '\\':
      (void)std::fputs("\\\\", map_stream);
      break;
    default:
      (void)std::fputc(*c, map_stream);
    }
  }
}

// The stream writes when its buffer fills; its error number is good only then.
void note_error() {
  if (std::ferror(map_stream) != 0 && map_error == 0)
    map_error = errno;
}

} // namespace

bool open_map(const char *path) {
  map_path = path;
  // A name of its own, so that no file of the user's is ever overwritten:
  // an old temporary file left by a killed run is passed over.
  for (int attempt = 0; map_stream == nullptr; ++attempt) {
    const int length =
        std::snprintf(temp_path.data(), temp_path.size(), "%s.%d.tmp", path, attempt);
    if (length < 0 || static_cast<std::size_t>(length) >= temp_path.size()) {
      // GCOVR_EXCL_START: longer than any path Linux takes, so it fails earlier
      return map_failed("open", ENAMETOOLONG);
    } // GCOVR_EXCL_STOP
    map_stream = create_file(temp_path.data());
    if (map_stream == nullptr && (errno != EEXIST || attempt == 99))
      return map_failed("open", errno);
  }
  (void)std::fputs("kind\tpath\tfirst_bank\tbanks\tfirst_page\tlast_page\tstart\tend\tbytes\n",
                   map_stream);
  note_error();
  return true;
}

void map_extent(const Plan &plan, const Extent &extent) {
  if (map_stream == nullptr)
    return;
  // A part without banks names the bank where its banks would have begun.
  const std::int64_t last_bank = extent.first_bank + std::max<std::int64_t>(extent.banks - 1, 0);
  (void)std::fprintf(map_stream, "%s\t", extent.kind);
  put_field(extent.path);
  (void)std::fprintf(map_stream,
                     "\t%" PRId64 "\t%" PRId64 "\t%04" PRIX64 "\t%04" PRIX64 "\t%" PRIX64
                     "\t%" PRIX64 "\t%" PRId64 "\n",
                     extent.first_bank, extent.banks, page_of(plan, extent.first_bank),
                     page_of(plan, last_bank), address_of(extent.first_bank),
                     address_of(extent.first_bank + extent.banks), extent.bytes);
  note_error();
}

bool commit_map() {
  if (map_stream == nullptr)
    return true;
  int code = map_error;
  if (std::fclose(map_stream) != 0 && code == 0)
    code = errno;
  map_stream = nullptr;
  if (code == 0) {
    std::error_code ec;
    std::filesystem::rename(native_path(temp_path.data()), native_path(map_path), ec);
    code = ec.default_error_condition().value();
  }
  if (code == 0)
    return true;
  std::error_code ec;
  (void)std::filesystem::remove(native_path(temp_path.data()), ec);
  return map_failed("write", code);
}

void discard_map() {
  if (map_stream == nullptr)
    return;
  (void)std::fclose(map_stream);
  map_stream = nullptr;
  std::error_code ec;
  (void)std::filesystem::remove(native_path(temp_path.data()), ec);
}
