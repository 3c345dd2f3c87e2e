#include "image/sizing.h"
#include "sys/platform.h"
#include "sys/report.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool size_failed(const char *path, int code, const char *reason) {
  fail(path, reason, "Failed to size file %s, code %d\n", path, code);
  return false;
}

bool size_failed(const char *path, int code) {
  return size_failed(path, code, reason_of(code));
}

// Only regular files are inputs. A directory opens on some systems and sizes
// to garbage, opening a FIFO blocks until a writer comes, and a device such as
// /dev/zero never ends. The type is checked before the open so that nothing
// can block; a path that cannot be looked up is left to fopen, whose error
// number is the one to report.
bool size_file(const char *path, std::int64_t &size) {
  std::error_code ec;
  const fs::file_type type = fs::status(native_path(path), ec).type();
  if (!ec && type == fs::file_type::directory)
    return size_failed(path, EISDIR, "is a directory");
  // The number is ESPIPE's, for want of one that says "not a regular file".
  if (!ec && type != fs::file_type::regular)
    return size_failed(path, ESPIPE, "not a regular file");

  std::FILE *in = open_input(path);
  if (in == nullptr)
    return size_failed(path, errno);
  (void)std::fclose(in);

  // file_size is 64-bit everywhere; ftell's long is 32 bits on Windows.
  const std::uintmax_t bytes = fs::file_size(native_path(path), ec);
  if (ec) {
    return size_failed(path, ec.default_error_condition().value());
  }
  size = static_cast<std::int64_t>(bytes);
  return true;
}

} // namespace

bool make_plan(const char *outfile, const char *program, std::span<char *const> data, Plan &plan) {
  // The program always takes exactly one bank, whatever its size.
  std::int64_t size = 0;
  if (!size_file(program, size))
    return false;
  std::int64_t planned_banks = 1;
  for (const char *path : data) {
    if (!size_file(path, size))
      return false;
    planned_banks += data_bank_count(size);
  }

  if (planned_banks > max_banks) {
    char reason[64];
    (void)std::snprintf(reason, sizeof reason, "image would need %lld banks, at most %lld fit",
                        static_cast<long long>(planned_banks), static_cast<long long>(max_banks));
    fail(outfile, reason, "Failed to plan image of %lld banks, code %d\n",
         static_cast<long long>(planned_banks), EFBIG);
    return false;
  }

  plan = plan_banks(planned_banks);
  if (plan.padding_banks > 0) {
    // The size of the whole image, not that of the padding.
    progress("Padding for %dk\n", static_cast<int>(plan.image_banks * bank_size / 1024));
    if (plan.image_banks > megacart_limit)
      report("* Warning - 1MB is max MegaCart so far.\n");
  }
  return true;
}
