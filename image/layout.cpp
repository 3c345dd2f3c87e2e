#include "image/layout.h"

#include <algorithm>

std::int64_t data_bank_count(std::int64_t size) {
  return (size + data_bank_capacity - 1) / data_bank_capacity;
}

Plan plan_banks(std::int64_t planned_banks, BankCount asked) {
  // Flash chips come in powers of two, so the image does too.
  std::int64_t image_banks = asked.exactly;
  if (image_banks <= 0) {
    image_banks = std::max<std::int64_t>(asked.at_least, 1);
    while (image_banks < planned_banks)
      image_banks *= 2;
  }
  const std::int64_t padding_banks = image_banks - planned_banks;
  return {planned_banks, image_banks, padding_banks, page_base - planned_banks,
          padding_banks * bank_size};
}
