#include "app/failure.h"

#include "sys/report.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

Failure fail(int status, const Cause &cause, const char *format, ...) {
  va_list args;
  va_start(args, format);
  report_list(format, args);
  va_end(args);
  report(", code %d\n", cause.code);
  explain(cause.path, cause.reason != nullptr ? cause.reason : std::strerror(cause.code));
  return {.status = status};
}

Failure with_reading(Failure failure) {
  failure.reading = true;
  return failure;
}

Words worded(const char *format, ...) {
  Words words{};
  va_list args;
  va_start(args, format);
  (void)std::vsnprintf(words.text.data(), words.text.size(), format, args);
  va_end(args);
  return words;
}

namespace {

constexpr const char *reason_too_many_banks = "image would need %lld banks, at most %lld fit";
constexpr const char *reason_more_than_asked = "image would need %lld banks, --banks gives %lld";
// The plan and the image do not match, as when an input changed size.
constexpr const char *reason_changed = "an input changed size while romweld ran";

// A linked program whose records cannot make an image: its reason names the
// line, the byte or the segment, as the failure line does.
Failure linked_failure(const Fault &fault, const char *path) {
  const Cause cause{fault.code, path, fault.reason};
  if (fault.what == What::linked_record)
    return fail(status_linked, cause, "Failed to read Intel HEX line %lld of program file",
                static_cast<long long>(fault.line));
  if (fault.what == What::linked_byte)
    return fail(status_linked, cause, "Failed to place Intel HEX byte at %06llX of program file",
                static_cast<long long>(fault.address));
  return fail(status_linked, cause, "Failed to give segment %lld of program file a bank of its own",
              static_cast<long long>(fault.segment));
}

} // namespace

Failure failure_of(const Fault &fault, const char *outfile) {
  // The failures of the outfile name it; those of an input, the input.
  const char *path = fault.path != nullptr ? fault.path : outfile;
  const auto banks = static_cast<long long>(fault.banks);
  const auto limit = static_cast<long long>(fault.limit);
  switch (fault.what) {
  case What::none:
    break;
  case What::size_input:
    return with_reading(
        fail(status_sizing, {fault.code, path, fault.reason}, "Failed to size file %s", path));
  case What::too_many_banks:
    return fail(status_sizing,
                {fault.code, path, worded(reason_too_many_banks, banks, limit).text.data()},
                "Failed to plan image of %lld banks", banks);
  case What::more_than_asked:
    return fail(status_banks,
                {fault.code, path, worded(reason_more_than_asked, banks, limit).text.data()},
                "Failed to fit image of %lld banks in %lld", banks, limit);
  case What::open_data:
    return fail(status_data, {fault.code, path, fault.reason}, "Failed to open data file %s", path);
  case What::read_data:
    return fail(status_data, {fault.code, path, fault.reason}, "Failed to read data file %s", path);
  case What::open_program:
    return fail(status_program, {fault.code, path, fault.reason}, "Failed to open program file");
  case What::read_program:
    return fail(status_program, {fault.code, path, fault.reason}, "Failed to read program file");
  case What::write_outfile:
    return fail(status_outfile, {fault.code, path, fault.reason}, "Failed to write outfile");
  case What::linked_record:
  case What::linked_byte:
  case What::linked_bank:
    return linked_failure(fault, path);
  case What::changed:
    // The banks written are unlike the plan: the warning that says so is
    // the failure's line.
    report("* WARNING - program should be at 0xffff - internal error?\n");
    explain(path, reason_changed);
    return {.status = status_misplaced};
  }
  return {};
}

void report_left_behind(const char *path, int code) {
  report("Failed to remove temporary file %s, code %d\n", path, code);
  explain(path, std::strerror(code));
}
