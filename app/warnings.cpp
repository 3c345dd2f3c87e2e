#include "app/warnings.h"

#include "image/layout.h"

#include <cerrno>

namespace {

constexpr const char *reason_board =
    "no MegaCart board or emulator takes an image under 128k; --min-banks 8 makes it 128k";
constexpr const char *reason_header =
    "does not begin with AA 55 or 55 AA, the cartridge header the console needs to start it";
constexpr const char *reason_megacart = "larger than the 1MB of a MegaCart";
constexpr const char *reason_program = "larger than its bank of 16384 bytes";
constexpr const char *reason_changed = "an input changed size while romweld ran";
constexpr const char *reason_cut =
    "%lld bytes, of which the %lld past its bank of %lld are not in the image";

struct Telling {
  Found what;
  const char *warning = nullptr;                         // on standard output
  void (*note)(const Finding &, const char *) = nullptr; // on standard error, of its path
  const FailureKind *failure = nullptr;                  // under --strict
  int code = 0;                                          // of the failure
  const char *reason = nullptr;                          // of the failure
  bool always = false;                                   // fails every run
};

constexpr Telling tellings[] = {
    {.what = Found::padded_past_megacart,
     .warning = "* Warning - 1MB is max MegaCart so far.\n",
     .failure = &fail::fit_megacart,
     .code = EFBIG,
     .reason = reason_megacart},
    {.what = Found::over_megacart,
     .failure = &fail::fit_megacart,
     .code = EFBIG,
     .reason = reason_megacart},
    {.what = Found::under_board,
     .note = [](const Finding &, const char *path) { explain(path, reason_board); },
     .failure = &fail::fit_board,
     .code = EINVAL,
     .reason = reason_board},
    {.what = Found::program_too_large,
     .warning = "Warning - program file may be too large - only 16384 bytes read!\n",
     .note =
         [](const Finding &f, const char *path) {
           note(path, reason_cut, static_cast<long long>(f.bytes),
                static_cast<long long>(f.bytes - program_bank_capacity),
                static_cast<long long>(program_bank_capacity));
         },
     .failure = &fail::fit_program,
     .code = EFBIG,
     .reason = reason_program},
    {.what = Found::unlike_plan,
     .warning = "* WARNING - program should be at 0xffff - internal error?\n",
     .failure = &fail::misplaced,
     .reason = reason_changed,
     .always = true},
    {.what = Found::no_cartridge_header,
     .note = [](const Finding &, const char *path) { explain(path, reason_header); },
     .failure = &fail::find_header,
     .code = EINVAL,
     .reason = reason_header},
};

const Telling *telling_of(Found what) {
  for (const Telling &telling : tellings)
    if (telling.what == what)
      return &telling;
  return nullptr;
}

Failure strict_failure(const Telling &telling, const Finding &finding, const char *path) {
  return {.kind = telling.failure,
          .path = path,
          .code = telling.code,
          .reason = telling.reason,
          .banks = finding.banks,
          .bytes = finding.bytes};
}

} // namespace

Failure tell(const Finding &finding, bool strict, const char *outfile) {
  const Telling *telling = telling_of(finding.what);
  if (telling == nullptr)
    return {};
  const char *path = finding.path != nullptr ? finding.path : outfile;
  if (strict && !telling->always)
    return strict_failure(*telling, finding, path);
  if (telling->warning != nullptr)
    report("%s", telling->warning);
  if (telling->always)
    return strict_failure(*telling, finding, path);
  if (telling->note != nullptr)
    telling->note(finding, path);
  return {};
}

Failure refuse(const Finding &finding, bool strict, const char *outfile) {
  const Telling *telling = telling_of(finding.what);
  if (telling == nullptr || !strict)
    return {};
  return strict_failure(*telling, finding, finding.path != nullptr ? finding.path : outfile);
}
