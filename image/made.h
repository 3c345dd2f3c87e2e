#pragma once

#include <cstdint>
#include <cstdio>

// What the files romweld makes look like, so that a run can tell one of them
// from any other file before it writes over it. Each check reads the file
// through a stream open at its start.

constexpr const char *reason_not_image = "not an image, whose size is a power of two of 16k banks";
constexpr const char *reason_program =
    "a program of one bank with its cartridge header, not an image";

// Why a file of size bytes is no image; nullptr when it may be one. Every
// image is a power of two of banks; one bank that begins with the cartridge
// header is a program padded to its bank, as assemblers often write them.
const char *not_an_image(std::FILE *file, std::int64_t size);
