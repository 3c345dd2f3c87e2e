#include "image/layout.h"

#include <gtest/gtest.h>

namespace {

TEST(DataBankCount, CapacityBoundaries) {
  const struct {
    std::int64_t size;
    std::int64_t banks;
  } cases[] = {
      {0, 0},
      {1, 1},
      {16127, 1},
      {16128, 1},
      {16129, 2},
      {32256, 2},
      {32257, 3},
      {2147483647, 133153}, // 2 GiB - 1
      {4294967396, 266306}, // 4 GiB + 100: past 32 bits
      {5368709120, 332882}, // 5 GiB
  };
  for (const auto &c : cases)
    EXPECT_EQ(data_bank_count(c.size), c.banks) << "size " << c.size;
}

TEST(PlanBanks, RoundsUpToPowerOfTwoWithPaddingInFront) {
  const struct {
    std::int64_t planned, image, padding, first_page, first_address;
    BankCount asked = {}; // --banks, --min-banks
  } cases[] = {
      {1, 1, 0, 0xFFFF, 0},
      {2, 2, 0, 0xFFFE, 0},
      {3, 4, 1, 0xFFFD, 0x4000},
      {4, 4, 0, 0xFFFC, 0},
      {5, 8, 3, 0xFFFB, 0xC000},
      {64, 64, 0, 0xFFC0, 0},
      {65, 128, 63, 0xFFBF, 63 * 0x4000},
      {128, 128, 0, 0xFF80, 0},
      {32769, 65536, 32767, 0x7FFF, 32767LL * 0x4000},
      {65536, 65536, 0, 0x0000, 0},
      // A fixed size pads further, and moves no page of the content.
      {3, 16, 13, 0xFFFD, 13 * 0x4000, {16, 0}},
      {4, 4, 0, 0xFFFC, 0, {4, 0}},
      {1, 65536, 65535, 0xFFFF, 65535LL * 0x4000, {65536, 0}},
      // So does a minimum, until the content needs more.
      {3, 8, 5, 0xFFFD, 5 * 0x4000, {0, 8}},
      {1, 8, 7, 0xFFFF, 7 * 0x4000, {0, 8}},
      {8, 8, 0, 0xFFF8, 0, {0, 8}},
      {9, 16, 7, 0xFFF7, 7 * 0x4000, {0, 8}},
      {3, 4, 1, 0xFFFD, 0x4000, {0, 1}},
  };
  for (const auto &c : cases) {
    const Plan plan = plan_banks(c.planned, c.asked);
    EXPECT_EQ(plan.image_banks, c.image) << "P = " << c.planned;
    EXPECT_EQ(plan.padding_banks, c.padding) << "P = " << c.planned;
    EXPECT_EQ(plan.first_page, c.first_page) << "P = " << c.planned;
    EXPECT_EQ(plan.first_address, c.first_address) << "P = " << c.planned;
  }
}

} // namespace
