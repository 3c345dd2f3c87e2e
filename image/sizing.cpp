#include "image/sizing.h"

#include "sys/report.h"

#include <cerrno>
#include <cstdio>

namespace {

SizeFault size_failed(const char *path, int code, const char *reason = nullptr) {
  fail(path, code, reason, "Failed to size file %s", path);
  return SizeFault::input;
}

// Only regular files are inputs. A directory opens on some systems and sizes
// to garbage, a FIFO gives what a writer sends, and a device such as
// /dev/zero never ends. Everything is asked of the open file, so that the
// answers are all about one file.
SizeFault size_file(const char *outfile, const FileInfo *outfile_found, const char *path,
                    Input &input) {
  std::FILE *in = nullptr;
  FileInfo info{};
  int code = open_input(path, in);
  if (code == 0) {
    code = identify(in, info);
    (void)std::fclose(in);
  }
  if (code != 0)
    return size_failed(path, code);
  if (info.type == FileType::directory)
    return size_failed(path, EISDIR, "is a directory");
  // The number is ESPIPE's, for want of one that says "not a regular file".
  if (info.type != FileType::regular)
    return size_failed(path, ESPIPE, "not a regular file");
  // The outfile is replaced at the end, so it must not be one of the inputs.
  if (outfile_found != nullptr && same_file(info.id, outfile_found->id)) {
    fail(outfile, EINVAL, "is also an input file",
         "Failed to open outfile, it is also an input file");
    return SizeFault::is_outfile;
  }
  input = {info.id, info.size};
  return SizeFault::none;
}

} // namespace

SizeFault size_inputs(const char *outfile, const FileInfo *outfile_found, const char *program,
                      std::span<char *const> data, std::span<Input> inputs) {
  if (program != nullptr) {
    if (const SizeFault fault = size_file(outfile, outfile_found, program, inputs[0]);
        fault != SizeFault::none)
      return fault;
  }
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i + 1 == inputs.size())
      return size_failed(data[i], E2BIG, "more data files than one image can take");
    const SizeFault fault = size_file(outfile, outfile_found, data[i], inputs[i + 1]);
    if (fault != SizeFault::none)
      return fault;
  }
  return SizeFault::none;
}

PlanFault make_plan(const char *outfile, std::span<const Input> inputs, std::int64_t asked_banks,
                    Plan &plan) {
  // The program always takes exactly one bank, whatever its size.
  std::int64_t planned_banks = 1;
  for (const Input &input : inputs.subspan(1))
    planned_banks += data_bank_count(input.size);

  char reason[80];
  if (planned_banks > max_banks) {
    (void)std::snprintf(reason, sizeof reason, "image would need %lld banks, at most %lld fit",
                        static_cast<long long>(planned_banks), static_cast<long long>(max_banks));
    fail(outfile, EFBIG, reason, "Failed to plan image of %lld banks",
         static_cast<long long>(planned_banks));
    return PlanFault::too_many_banks;
  }
  if (asked_banks > 0 && planned_banks > asked_banks) {
    (void)std::snprintf(reason, sizeof reason, "image would need %lld banks, --banks gives %lld",
                        static_cast<long long>(planned_banks), static_cast<long long>(asked_banks));
    fail(outfile, EFBIG, reason, "Failed to fit image of %lld banks in %lld",
         static_cast<long long>(planned_banks), static_cast<long long>(asked_banks));
    return PlanFault::more_than_asked;
  }
  plan = plan_banks(planned_banks, asked_banks);
  return PlanFault::none;
}

void report_padding(const Plan &plan, bool warn) {
  if (plan.padding_banks == 0)
    return;
  // The size of the whole image, not that of the padding.
  progress("Padding for %dk\n", static_cast<int>(plan.image_banks * bank_size / 1024));
  if (warn && plan.image_banks > megacart_limit)
    report("* Warning - 1MB is max MegaCart so far.\n");
}
