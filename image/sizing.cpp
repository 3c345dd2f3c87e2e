#include "image/sizing.h"

#include "image/place.h"
#include "sys/report.h"

#include <cerrno>

Fault size_input(Input &input) {
  const Opened opened = open_regular(input.path);
  if (opened.file == nullptr)
    return {
        .what = What::size_input, .path = input.path, .code = opened.code, .reason = opened.reason};
  (void)std::fclose(opened.file);
  input.id = opened.info.id;
  input.size = opened.info.size;
  return {};
}

Fault make_plan(std::span<Input> data, BankCount asked, bool pack, Plan &plan) {
  std::int64_t data_banks = 0;
  if (const Fault fault = place_files(data, pack, data_banks); failed(fault))
    return fault;
  // The program always takes exactly one bank, whatever its size.
  const std::int64_t planned_banks = data_banks + 1;
  if (asked.exactly > 0 && planned_banks > asked.exactly)
    return {.what = What::more_than_asked,
            .code = EFBIG,
            .banks = planned_banks,
            .limit = asked.exactly};
  plan = plan_banks(planned_banks, asked);
  plan.packed = pack;
  return {};
}

void report_padding(const Plan &plan) {
  // The size of the whole image, not that of the padding.
  if (plan.padding_banks > 0)
    progress("Padding for %dk\n", static_cast<int>(plan.image_banks * bank_size / 1024));
}

std::array<Finding, 2> check_plan(const Plan &plan) {
  std::array<Finding, 2> found{};
  const bool over = plan.image_banks > megacart_limit;
  if (over && plan.padding_banks > 0)
    found[0] = {.what = Found::padded_past_megacart, .banks = plan.image_banks};
  if (over)
    found[1] = {.what = Found::over_megacart, .banks = plan.image_banks};
  else if (plan.image_banks < smallest_board)
    found[1] = {.what = Found::under_board, .banks = plan.image_banks};
  return found;
}

Finding check_program(const Input &program) {
  if (program.size <= program_bank_capacity)
    return {};
  return {.what = Found::program_too_large, .path = program.path, .bytes = program.size};
}
