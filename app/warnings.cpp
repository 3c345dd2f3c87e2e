#include "app/warnings.h"

#include "image/layout.h"
#include "sys/report.h"

#include <cerrno>

namespace {

Failure tell_megacart(const Finding &finding, bool strict, const char *path) {
  constexpr const char *reason_megacart = "larger than the 1MB of a MegaCart";
  constexpr const char *reason_over_board =
      "no MegaCart board or openMSX takes an image over 1024k; pages below FFC0 select no bank";
  if (strict)
    return fail(status_strict_image, {EFBIG, path, reason_megacart},
                "Failed to fit image of %lld banks in 1MB", static_cast<long long>(finding.banks));
  if (finding.what == Found::padded_past_megacart)
    report("* Warning - 1MB is max MegaCart so far.\n");
  else
    explain(path, reason_over_board);
  return {};
}

Failure tell_program(const Finding &finding, bool strict, const char *path) {
  constexpr const char *reason_program_size = "larger than its bank of 16384 bytes";
  constexpr const char *reason_cut =
      "%lld bytes; its bank of %lld leaves %lld of them out of the image";
  const auto bytes = static_cast<long long>(finding.bytes);
  if (strict)
    return fail(status_strict_program, {EFBIG, path, reason_program_size},
                "Failed to fit program file of %lld bytes in its bank", bytes);
  report("Warning - program file may be too large - only 16384 bytes read!\n");
  note(path, reason_cut, bytes, static_cast<long long>(program_bank_capacity),
       bytes - program_bank_capacity);
  return {};
}

} // namespace

Failure tell(const Finding &finding, bool strict, const char *outfile) {
  constexpr const char *reason_board =
      "no MegaCart board or openMSX takes an image under 128k; --min-banks 8 makes it 128k";
  constexpr const char *reason_header =
      "does not begin with AA 55 or 55 AA, the cartridge header the console needs to start it";
  const char *path = finding.path != nullptr ? finding.path : outfile;
  switch (finding.what) {
  case Found::none:
    break;
  case Found::padded_past_megacart:
  case Found::over_megacart:
    return tell_megacart(finding, strict, path);
  case Found::under_board:
    if (strict)
      return fail(status_strict_board, {EINVAL, path, reason_board},
                  "Failed to fit image of %lldk to a MegaCart board",
                  static_cast<long long>(finding.banks) * 16);
    explain(path, reason_board);
    break;
  case Found::program_too_large:
    return tell_program(finding, strict, path);
  case Found::no_cartridge_header:
    if (strict)
      return fail(status_strict_header, {EINVAL, path, reason_header},
                  "Failed to find the cartridge header in program file");
    explain(path, reason_header);
    break;
  }
  return {};
}

Failure refuse(const Finding &finding, bool strict, const char *outfile) {
  return strict ? tell(finding, true, outfile) : Failure{};
}
