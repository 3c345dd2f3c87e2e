// The new file beside a target: its name, and what happens when names are
// taken by files left behind by killed runs, or by anyone else.

#include "app/outputs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NameBeside, IsShortAndBesideTheTarget) {
  std::array<char, path_capacity> name{};
  ASSERT_EQ(name_beside("some/folder/game.rom", name), 0);
  const std::string made = name.data();
  EXPECT_TRUE(made.starts_with("some/folder/.romweld-")) << made;
  EXPECT_TRUE(made.ends_with(".tmp")) << made;
  EXPECT_EQ(made.size(), std::string("some/folder/.romweld-").size() + 12 + 4) << made;
  std::array<char, path_capacity> again{};
  ASSERT_EQ(name_beside("some/folder/game.rom", again), 0);
  EXPECT_NE(made, again.data()) << "two calls gave one name";
}

TEST(MakeBeside, TriesAnotherNameWhileTheNameIsTaken) {
  const struct {
    int taken; // names found taken before one is free
    int code;  // what making the file gives in the end
    int tries;
  } cases[] = {
      {0, 0, 1},
      {1, 0, 2},
      {99, 0, 100},
      // Past a hundred taken names something else is wrong: give up.
      {100, EEXIST, 100},
      {1000, EEXIST, 100},
  };
  for (const auto &c : cases) {
    std::array<char, path_capacity> name{};
    int tries = 0;
    const int code =
        make_beside("game.rom", name, [&](const char *) { return tries++ < c.taken ? EEXIST : 0; });
    EXPECT_EQ(code, c.code) << c.taken << " names taken";
    EXPECT_EQ(tries, c.tries) << c.taken << " names taken";
    EXPECT_EQ(name[0] == '\0', c.code != 0) << "a name kept after a failure, or lost on success";
  }
}

TEST(MakeBeside, StopsAtAnyOtherError) {
  std::array<char, path_capacity> name{};
  int tries = 0;
  EXPECT_EQ(make_beside("game.rom", name, [&](const char *) { return ++tries, EACCES; }), EACCES);
  EXPECT_EQ(tries, 1);
}

} // namespace
