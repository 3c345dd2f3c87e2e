#include "app/failure.h"
#include "app/options.h"
#include "app/outputs.h"
#include "app/status.h"
#include "app/usage.h"
#include "app/warnings.h"
#include "image/map.h"
#include "image/sizing.h"
#include "image/writer.h"
#include "sys/platform.h"
#include "sys/report.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <span>
#include <tuple>

namespace {

// The data files as sized. An image holds at most max_banks banks, and every
// data file that is not empty takes one, so this is room for the largest
// image that can be made, with the empty data files of any sensible command
// line besides; too many for the stack.
std::array<Input, max_banks> sized;

// The sizing pass: the program file, unless it is left out (a planning run,
// where it need not exist yet), then each data file, in that order. The
// outfile is replaced at the end, so it must not be one of them.
Failure size_inputs(const char *outfile, Input *program, std::span<char *const> paths,
                    std::span<Input> data) {
  const FileInfo *replaced = outfile_found();
  const auto size_one = [&](Input &input) -> Failure {
    if (const Fault fault = size_input(input); failed(fault))
      return failure_of(fault, outfile);
    if (replaced != nullptr && same_file(input.id, replaced->id))
      return {.kind = &fail::outfile_is_input,
              .path = outfile,
              .code = EINVAL,
              .reason = reason_is_input};
    return {};
  };
  if (program != nullptr) {
    if (const Failure failure = size_one(*program); failed(failure))
      return failure;
  }
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (i == data.size())
      return {.kind = &fail::size_file,
              .path = paths[i],
              .code = E2BIG,
              .reason = reason_too_many_files};
    data[i] = {paths[i], {}, 0};
    if (const Failure failure = size_one(data[i]); failed(failure))
      return failure;
  }
  return {};
}

// Finds the map and the includes that were asked for, each checked against
// the outfile, the inputs and the others.
Failure find_outputs(const Options &options, const Inputs &inputs) {
  const std::pair<Role, const char *> asked[] = {{Role::map, options.map},
                                                 {Role::equ, options.equ},
                                                 {Role::sdas, options.sdas},
                                                 {Role::header, options.header}};
  for (const auto &[role, path] : asked)
    if (path != nullptr) {
      if (const Failure failure = find_output(role, path, inputs, options.force); failed(failure))
        return failure;
    }
  return {};
}

// Writes the map and the includes that were asked for, closes them, and puts
// every new file in place.
Failure write_outputs(const Plan &plan, const Inputs &inputs) {
  if (std::FILE *out = output(Role::map).stream)
    write_map(out, plan, inputs.data, *inputs.program);
  if (std::FILE *out = output(Role::equ).stream)
    write_includes(out, plan, inputs.data, assembler_include);
  if (std::FILE *out = output(Role::sdas).stream)
    write_includes(out, plan, inputs.data, sdas_include);
  if (std::FILE *out = output(Role::header).stream)
    write_header(out, output(Role::header).path, plan, inputs.data);
  for (const Role role : {Role::map, Role::equ, Role::sdas, Role::header})
    if (output(role).stream != nullptr) {
      if (const Failure failure = finish_output(role); failed(failure))
        return failure;
    }
  return commit_outputs();
}

// The bank counts asked for, each a power of two from 1 to 65,536.
Failure bank_counts(const Options &options, BankCount &asked) {
  asked = {};
  const std::tuple<const char *, const char *, std::int64_t &> counts[] = {
      {"--banks", options.banks, asked.exactly},
      {"--min-banks", options.min_banks, asked.at_least}};
  for (const auto &[name, text, banks] : counts)
    if (text != nullptr && !bank_count(text, banks))
      return {.kind = &fail::use_option,
              .path = name,
              .code = EINVAL,
              .reason = reason_bank_count,
              .value = text};
  if (asked.exactly > 0 && asked.at_least > asked.exactly)
    return {.kind = &fail::use_option,
            .path = "--min-banks",
            .code = EINVAL,
            .reason = reason_least_banks,
            .value = options.min_banks};
  return {};
}

// Whether the constants of the data files mean one thing to every tool that
// reads the includes asked for: no two alike, and none an assembler reads
// as something else.
Failure check_names(const Options &options, std::span<const Input> data) {
  if (options.equ == nullptr && options.sdas == nullptr && options.header == nullptr)
    return {};
  if (const Clash clash = find_clash(data, options.header); clash.path != nullptr)
    return {.kind = &fail::name_clash,
            .path = clash.path,
            .code = EINVAL,
            .first = clash.other,
            .suffix = clash.suffix};
  const Misread misread =
      find_misread(data, options.equ != nullptr, options.sdas != nullptr, options.header);
  if (misread.path == nullptr)
    return {};
  return {.kind = misread.kept_by_c             ? &fail::kept_by_c
                  : misread.reserved != nullptr ? &fail::reserved_name
                                                : &fail::long_name,
          .path = misread.path,
          .code = EINVAL,
          .reason = misread.reserved,
          .suffix = misread.suffix};
}

// The files of the run found, sized and checked, before anything is planned.
// A planning run writes no image and reads no program: it opens neither, but
// knows both by name.
Failure find_files(const Options &options, Input &program, std::span<char *const> paths,
                   std::span<Input> data) {
  const char *outfile = options.paths[0];
  if (!options.plan) {
    if (const Failure failure = find_outfile(outfile); failed(failure))
      return failure;
  }
  if (const Failure failure = size_inputs(outfile, options.plan ? nullptr : &program, paths, data);
      failed(failure))
    return failure;
  if (options.plan)
    name_planned(outfile, program.path);
  else if (const Failure failure = check_outfile(options.force); failed(failure))
    return failure;
  // A planning run does not size the program.
  if (const Failure failure = refuse(check_program(program), options.strict, outfile);
      failed(failure))
    return failure;
  if (const Failure failure = find_outputs(options, {options.plan ? nullptr : &program, data});
      failed(failure))
    return failure;
  return check_names(options, data);
}

// The write pass into the outfile, each finding told as it comes.
Failure write_image(const Options &options, const Plan &plan, const Inputs &inputs) {
  const char *outfile = options.paths[0];
  const Input &program = *inputs.program;
  Writer writer = start_writing(output(Role::outfile).stream, plan);
  if (const Fault fault = write_data_banks(writer, inputs.data); failed(fault))
    return failure_of(fault, outfile);
  if (const Fault fault = read_program_bank(writer, program); failed(fault))
    return failure_of(fault, outfile);
  if (const Failure failure = tell(check_program(program), options.strict, outfile);
      failed(failure))
    return failure;
  if (const Fault fault = write_program_bank(writer, program); failed(fault))
    return failure_of(fault, outfile);
  // The program is read only now; nothing has been replaced yet. A planning
  // run does not read it.
  return tell(check_written(writer, program), options.strict, outfile);
}

// The image written, then every file put in place.
Failure write_files(const Options &options, const Plan &plan, const Inputs &inputs) {
  if (const Failure failure = open_outfile(); failed(failure))
    return failure;
  if (const Failure failure = write_image(options, plan, inputs); failed(failure))
    return failure;
  if (const Failure failure = finish_output(Role::outfile); failed(failure))
    return failure;
  if (const Failure failure = write_outputs(plan, inputs); failed(failure))
    return failure;
  progress("Finished writing '%s'.\n", options.paths[0]);
  return {};
}

// One run, step by step; each step ends the run at its first failure.
Failure run(const Options &options) {
  Input program{options.paths[1], {}, 0};
  const std::span<char *const> paths = options.paths.subspan(2);
  const std::span<Input> data = std::span(sized).first(std::min(sized.size(), paths.size()));

  BankCount banks{};
  if (const Failure failure = bank_counts(options, banks); failed(failure))
    return failure;
  // From the first new file on, an interrupt removes them before it ends the run.
  watch_interrupts();
  if (const Failure failure = find_files(options, program, paths, data); failed(failure))
    return failure;
  Plan plan{};
  if (const Fault fault = make_plan(data, banks, options.pack, plan); failed(fault))
    return failure_of(fault, options.paths[0]);
  report_padding(plan);
  for (const Finding &finding : check_plan(plan))
    if (const Failure failure = tell(finding, options.strict, options.paths[0]); failed(failure))
      return failure;
  // A planning run writes only the map and the includes.
  const Failure failure = options.plan ? write_outputs(plan, {&program, data})
                                       : write_files(options, plan, {&program, data});
  if (failed(failure))
    return failure;
  if (options.summary)
    write_summary(plan, data, options.plan ? nullptr : &program);
  return {};
}

} // namespace

int main(int argc, char **argv) {
  // Standard output closed from the start is a report lost.
  if (keep_standard_streams())
    lose_report();
  Options options{};
  int status = status_ok;
  switch (parse_options(utf8_arguments(argc, argv), options)) {
  case Request::help:
    help_lines();
    break;
  case Request::version:
    report("romweld %s\n", ROMWELD_VERSION);
    break;
  case Request::usage:
    usage_lines();
    usage_reason(options);
    status = status_usage;
    break;
  case Request::run: {
    set_quiet(options.quiet);
    const Failure failure = run(options);
    // Reported in one place; then any end but a finished run leaves every
    // file as it was.
    if (failed(failure)) {
      report_failure(failure);
      report_hint(failure, options);
      abandon_outputs();
      status = failure.kind->status;
    }
    break;
  }
  }
  // The report is part of what the run promises; the files stay as they are.
  if (!finish_report() && status == status_ok)
    status = status_report;
  return status;
}
