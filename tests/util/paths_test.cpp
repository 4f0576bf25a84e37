#include "util/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Paths, SeparatorsAddedAndRemoved) {
  struct Case {
    std::string in, bar_dir, bar_fora, bar_esq, tira_dir;
  } cases[] = {
      {"/dados/2023", "/dados/2023/", "/dados/2023", "/dados/2023", "2023"},
      {"/dados/2023/", "/dados/2023/", "/dados/2023", "/dados/2023/", ""},
      {"/", "/", "/", "/", ""},
      {"IMP0923.DBF", "IMP0923.DBF/", "IMP0923.DBF", "/IMP0923.DBF", "IMP0923.DBF"},
      {"", "", "", "/", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(util::BAR_DIR(c.in), c.bar_dir) << c.in;
    EXPECT_EQ(util::BAR_FORA(c.in), c.bar_fora) << c.in;
    EXPECT_EQ(util::BAR_ESQ(c.in), c.bar_esq) << c.in;
    EXPECT_EQ(util::TIRA_DIR(c.in), c.tira_dir) << c.in;
  }
}

TEST(Paths, FolderExistsWithOrWithoutItsSeparator) {
  auto tmp = std::filesystem::temp_directory_path().string();
  EXPECT_TRUE(util::VERDIR(tmp));
  EXPECT_TRUE(util::VERDIR(tmp + "/"));
  EXPECT_TRUE(util::VERDIR("/"));
  EXPECT_FALSE(util::VERDIR(tmp + "/surely-not-here-4711"));
  EXPECT_FALSE(util::VERDIR(""));
}
