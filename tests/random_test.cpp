// Random programs and data files, seeded so that a failure can be replayed:
// every image is checked bank by bank against the model, and every report
// line by line.

#include "image_model.h"
#include "tool.h"

#include <gtest/gtest.h>

#include <random>

namespace fs = std::filesystem;

namespace {

// Sizes near the bank boundaries turn up more often than chance would give.
std::size_t pick_size(std::mt19937 &random, const std::vector<std::size_t> &edges,
                      std::size_t most) {
  if (random() % 2 == 0)
    return edges[random() % edges.size()];
  return random() % (most + 1);
}

TEST(Random, ImagesMatchTheModel) {
  constexpr std::uint32_t seed = 20261208;
  std::mt19937 random(seed);
  const std::vector<std::size_t> data_edges = {0, 1, 16127, 16128, 16129, 32256, 32257};
  const std::vector<std::size_t> program_edges = {0, 1, 16383, 16384, 16385};

  for (int round = 0; round < 40; ++round) {
    const fs::path dir = make_scratch_dir();
    const NamedBytes program{"program.bin", sample_bytes(static_cast<std::uint32_t>(random()),
                                                         pick_size(random, program_edges, 20000))};
    write_bytes(dir / program.name, program.bytes);
    std::vector<NamedBytes> data;
    std::vector<std::string> args = {"image.rom", program.name};
    const std::size_t files = 1 + random() % 5;
    for (std::size_t i = 0; i < files; ++i) {
      data.push_back({"data" + std::to_string(i) + ".bin",
                      sample_bytes(static_cast<std::uint32_t>(random()),
                                   pick_size(random, data_edges, 70000))});
      write_bytes(dir / data.back().name, data.back().bytes);
      args.push_back(data.back().name);
    }

    const ToolRun run = run_tool(dir, args);
    const std::string want = model_image(program.bytes, data);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, model_report("image.rom", program, data));
    EXPECT_EQ(first_difference(read_bytes(dir / "image.rom"), want, want.size() / 16384), "");
    fs::remove_all(dir);
  }
}

} // namespace
