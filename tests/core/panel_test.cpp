// Loading an image file, and how typed word boxes are read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/rig.h"
#include "support/scratch_dir.h"

namespace qx9::test {
namespace {

using Loader = ScratchDir;

TEST_F(Loader, TakesTheFirst256BytesAndRefusesWhatCannotBeAWholeImage) {
  auto file = [this](const std::string& name, size_t size) {  // byte i is i mod 251
    std::ofstream out(Path(name), std::ios::binary);
    for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(i % 251));
    return Path(name);
  };
  Rig r;
  r.m.Eeprom.fill(0x5A);
  for (const std::string& path : {file("short.obj", 255), file("empty.obj", 0), Path("missing.obj"), Path("")}) {
    EXPECT_FALSE(r.m.LoadObjectFile(path)) << path;
    EXPECT_EQ(std::count(r.m.Eeprom.begin(), r.m.Eeprom.end(), 0x5A), kImageSize) << path;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("missing.obj")));  // the loader never creates a file
  ASSERT_TRUE(r.m.LoadObjectFile(file("long.obj", 1000)));
  for (int i = 0; i < kImageSize; ++i) ASSERT_EQ(r.m.Eeprom[i], i % 251) << i;
}

TEST(WordBoxes, TextsReadAsHexAndOnlyTheLastEightDigitsCount) {
  const std::pair<const char*, int32_t> cases[] = {
      {"ffff", -1},        {"", 0}, {"12G4", 0x12}, {" 1 2", 0x12}, {"10000", 65536}, {"123456789", 0x23456789},
      {"1FFFFFFFF0", -16},
  };
  for (const auto& [text, entry] : cases) EXPECT_EQ(ParseWordBox(text), entry) << '"' << text << '"';
}

}  // namespace
}  // namespace qx9::test
