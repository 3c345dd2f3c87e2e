#include "app/warnings.h"

#include "image/layout.h"

#include <cerrno>

namespace {

// A finding's warning on standard output and note on standard error, and
// the failure that it is under --strict, with its error number and reason.
struct Telling {
  Found what;
  const char *warning;
  void (*note)(const Finding &, const char *path);
  const FailureKind *failure;
  int code;
  const char *reason;
  bool always; // fails every run, after its warning
};

void note_cut(const Finding &f, const char *path) {
  note(path, reason_cut, static_cast<long long>(f.bytes),
       static_cast<long long>(program_bank_capacity),
       static_cast<long long>(f.bytes - program_bank_capacity));
}

// clang-format off
constexpr Telling tellings[] = {
    {Found::padded_past_megacart, "* Warning - 1MB is max MegaCart so far.\n", nullptr, &fail::fit_megacart, EFBIG, reason_megacart, false},
    {Found::over_megacart, nullptr, [](const Finding &, const char *path) { explain(path, reason_over_board); }, &fail::fit_megacart, EFBIG, reason_megacart, false},
    {Found::under_board, nullptr, [](const Finding &, const char *path) { explain(path, reason_board); }, &fail::fit_board, EINVAL, reason_board, false},
    {Found::program_too_large, "Warning - program file may be too large - only 16384 bytes read!\n", note_cut, &fail::fit_program, EFBIG, reason_program_size, false},
    {Found::unlike_plan, "* WARNING - program should be at 0xffff - internal error?\n", nullptr, &fail::misplaced, 0, reason_changed, true},
    {Found::no_cartridge_header, nullptr, [](const Finding &, const char *path) { explain(path, reason_header); }, &fail::find_header, EINVAL, reason_header, false},
};
// clang-format on

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
