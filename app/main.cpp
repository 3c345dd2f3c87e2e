#include "app/failure.h"
#include "app/inputs.h"
#include "app/options.h"
#include "app/outputs.h"
#include "app/status.h"
#include "app/warnings.h"
#include "image/map.h"
#include "image/plan.h"
#include "image/writer.h"
#include "sys/platform.h"
#include "sys/report.h"

#include <array>
#include <span>

namespace {

// The data files as sized, in static storage: too many for the stack; and
// the index of a linked program's records.
std::array<Input, max_data_files> sized;
Linked linked;

// The files the run writes beside the image, each by its form.
constexpr std::size_t first_side = 1;

// Finds the map and the includes that were asked for, each checked against
// the outfile, the inputs and the others.
Failure find_outputs(const Options &options, const Inputs &inputs) {
  for (std::size_t form = first_side; form < form_count; ++form)
    if (const char *path = options.files[form])
      if (const Failure failure = find_output(static_cast<Form>(form), path, inputs, options.force);
          failed(failure))
        return failure;
  return {};
}

// Writes the map and the includes that were asked for, closes them, and puts
// every new file in place.
Failure write_outputs(const Plan &plan, const Inputs &inputs) {
  for (std::size_t form = first_side; form < form_count; ++form) {
    Output &file = output(static_cast<Form>(form));
    if (file.stream == nullptr)
      continue;
    write_side(file.stream, file.form, file.path, plan, inputs.data, *inputs.program);
    if (const Failure failure = finish_output(file); failed(failure))
      return failure;
  }
  return commit_outputs();
}

// The files of the run found, sized and checked, before anything is planned;
// a linked program's records read and checked. A planning run writes no
// image and reads no program: it opens neither, but knows both by name.
Failure find_files(const Options &options, Input &program, std::span<Input> data,
                   const Linked *&records) {
  const char *outfile = options.paths[0];
  if (!options.plan)
    if (const Failure failure = find_outfile(outfile); failed(failure))
      return failure;
  if (const Failure failure =
          size_inputs(outfile, options.plan ? nullptr : &program, options.paths.subspan(2), data);
      failed(failure))
    return failure;
  records = nullptr;
  if (!options.plan && linked_program(program.path)) {
    if (const Fault fault = read_linked(program, linked); failed(fault))
      return failure_of(fault, outfile);
    records = &linked;
  }
  if (const Failure failure =
          options.plan ? name_planned(outfile, program.path) : check_outfile(options.force);
      failed(failure))
    return failure;
  // A planning run does not size the program.
  if (const Failure failure = refuse(check_program(program, records), options.strict, outfile);
      failed(failure))
    return failure;
  if (const Failure failure = find_outputs(options, {options.plan ? nullptr : &program, data});
      failed(failure))
    return failure;
  return check_names(options, data);
}

// The write pass into the outfile, each finding told as it comes.
Failure write_image(const Options &options, const Plan &plan, const Inputs &inputs,
                    const Linked *records) {
  const char *outfile = options.paths[0];
  const Input &program = *inputs.program;
  Writer writer = start_writing(output(Form::image).stream, plan, inputs.data, program, records);
  if (const Fault fault = write_banks(writer); failed(fault))
    return failure_of(fault, outfile);
  if (const Fault fault = read_program_bank(writer); failed(fault))
    return failure_of(fault, outfile);
  if (const Failure failure = tell(check_program(program, records), options.strict, outfile);
      failed(failure))
    return failure;
  if (const Fault fault = write_program_bank(writer); failed(fault))
    return failure_of(fault, outfile);
  if (const Fault fault = check_unchanged(writer); failed(fault))
    return failure_of(fault, outfile);
  // The program is read only now; nothing has been replaced yet.
  return tell(check_header(writer), options.strict, outfile);
}

// The image written, then every file put in place.
Failure write_files(const Options &options, const Plan &plan, const Inputs &inputs,
                    const Linked *records) {
  if (const Failure failure = open_outfile(); failed(failure))
    return failure;
  if (const Failure failure = write_image(options, plan, inputs, records); failed(failure))
    return failure;
  if (const Failure failure = finish_output(output(Form::image)); failed(failure))
    return failure;
  if (const Failure failure = write_outputs(plan, inputs); failed(failure))
    return failure;
  progress("Finished writing '%s'.\n", options.paths[0]);
  return {};
}

// One run, step by step; each step ends the run at its first failure.
Failure run(const Options &options) {
  Input program{options.paths[1], {}, 0, 0, 0};
  const std::span<Input> data =
      std::span(sized).first(std::min(sized.size(), options.paths.size() - 2));
  BankCount banks{};
  if (const Failure failure = check_bank_counts(options, banks); failed(failure))
    return failure;
  // From the first new file on, an interrupt removes them before it ends the run.
  watch_interrupts();
  const Linked *records = nullptr;
  if (const Failure failure = find_files(options, program, data, records); failed(failure))
    return failure;
  Plan plan{};
  if (const Fault fault = make_plan(data, program.size, records, banks, options.pack, plan);
      failed(fault))
    return failure_of(fault, options.paths[0]);
  report_padding(plan);
  for (const Finding &finding : check_plan(plan))
    if (const Failure failure = tell(finding, options.strict, options.paths[0]); failed(failure))
      return failure;
  // A planning run writes only the map and the includes.
  const Failure failure = options.plan ? write_outputs(plan, {&program, data})
                                       : write_files(options, plan, {&program, data}, records);
  if (!failed(failure) && options.summary)
    write_summary(plan, data);
  return failure;
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
    // Its lines are told already; then any end but a finished run leaves
    // every file as it was.
    if (const Failure failure = run(options); failed(failure)) {
      report_hint(failure, options);
      abandon_outputs();
      status = failure.status;
    }
    break;
  }
  }
  // The report is part of what the run promises; the files stay as they are.
  if (!finish_report() && status == status_ok)
    status = status_report;
  return status;
}
