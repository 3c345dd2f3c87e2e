#include "image/sizing.h"

#include "sys/report.h"

#include <cerrno>

Fault size_input(Input &input) {
  const Opened opened = open_regular(input.path);
  if (opened.file == nullptr)
    return {What::size_input, input.path, opened.code, opened.reason, 0, 0};
  (void)std::fclose(opened.file);
  input.id = opened.info.id;
  input.size = opened.info.size;
  return {};
}

Fault make_plan(std::span<const Input> data, BankCount asked, Plan &plan) {
  // The program always takes exactly one bank, whatever its size.
  std::int64_t planned_banks = 1;
  for (const Input &input : data)
    planned_banks += data_bank_count(input.size);
  if (planned_banks > max_banks)
    return {What::too_many_banks, nullptr, EFBIG, nullptr, planned_banks, max_banks};
  if (asked.exactly > 0 && planned_banks > asked.exactly)
    return {What::more_than_asked, nullptr, EFBIG, nullptr, planned_banks, asked.exactly};
  plan = plan_banks(planned_banks, asked);
  return {};
}

void report_padding(const Plan &plan, bool warn) {
  if (plan.padding_banks == 0)
    return;
  // The size of the whole image, not that of the padding.
  progress("Padding for %dk\n", static_cast<int>(plan.image_banks * bank_size / 1024));
  if (warn && plan.image_banks > megacart_limit)
    report("* Warning - 1MB is max MegaCart so far.\n");
}
