#include "image/made.h"

#include "image/layout.h"

const char *not_an_image(std::FILE *file, std::int64_t size) {
  const std::int64_t banks = size / bank_size;
  if (size % bank_size != 0 || banks == 0 || (banks & (banks - 1)) != 0)
    return reason_not_image;
  unsigned char first[2] = {};
  if (banks == 1 && std::fread(first, 1, sizeof first, file) == sizeof first &&
      cartridge_header(first))
    return reason_program;
  return nullptr;
}
