#include "app/warnings.h"

#include "image/layout.h"
#include "sys/report.h"

#include <cerrno>

Failure tell(const Finding &finding, bool strict, const char *outfile) {
  const char *path = finding.path != nullptr ? finding.path : outfile;
  const auto banks = static_cast<long long>(finding.banks);
  const auto bytes = static_cast<long long>(finding.bytes);
  switch (finding.what) {
  case Found::none:
    break;
  case Found::padded_past_megacart:
  case Found::over_megacart:
    if (strict)
      return fail(status_strict_image, {EFBIG, path, reason_megacart},
                  "Failed to fit image of %lld banks in 1MB", banks);
    if (finding.what == Found::padded_past_megacart)
      report("* Warning - 1MB is max MegaCart so far.\n");
    else
      explain(path, reason_over_board);
    break;
  case Found::under_board:
    if (strict)
      return fail(status_strict_board, {EINVAL, path, reason_board},
                  "Failed to fit image of %lldk to a MegaCart board", banks * 16);
    explain(path, reason_board);
    break;
  case Found::program_too_large:
    if (strict)
      return fail(status_strict_program, {EFBIG, path, reason_program_size},
                  "Failed to fit program file of %lld bytes in its bank", bytes);
    report("Warning - program file may be too large - only 16384 bytes read!\n");
    note(path, reason_cut, bytes, static_cast<long long>(program_bank_capacity),
         bytes - program_bank_capacity);
    break;
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
