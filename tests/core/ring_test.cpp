// The bounded buffer under the signal recorder: order, the capacity limit and what it hands back.
#include "core/ring.h"

#include <gtest/gtest.h>

#include <vector>

namespace qx9 {
namespace {

std::vector<int> Contents(const Ring<int>& ring) {
  std::vector<int> items;
  for (size_t i = 0; i < ring.Size(); ++i) items.push_back(ring[i]);
  return items;
}

TEST(Ring, KeepsTheNewestEntriesOldestFirstAndHandsBackWhatItDrops) {
  struct Case {
    size_t Capacity;
    int Pushes;
    std::vector<int> Kept;
    std::vector<int> Dropped;
  };
  const Case cases[] = {
      {3, 0, {}, {}},
      {3, 2, {1, 2}, {}},
      {3, 3, {1, 2, 3}, {}},
      {3, 4, {2, 3, 4}, {1}},
      {3, 7, {5, 6, 7}, {1, 2, 3, 4}},
      {1, 3, {3}, {1, 2}},
      {0, 2, {2}, {1}},  // a capacity of 0 is taken as 1, so the newest entry is always there
  };
  for (const Case& c : cases) {
    Ring<int> ring(c.Capacity);
    std::vector<int> dropped;
    for (int i = 1; i <= c.Pushes; ++i) ring.Push(i, [&dropped](int old) { dropped.push_back(old); });
    EXPECT_EQ(Contents(ring), c.Kept) << "capacity " << c.Capacity << ", pushes " << c.Pushes;
    EXPECT_EQ(dropped, c.Dropped) << "capacity " << c.Capacity << ", pushes " << c.Pushes;
  }
}

TEST(Ring, ClearStartsOverInOrder) {
  Ring<int> ring(2);
  for (int i = 1; i <= 5; ++i) ring.Push(i);
  ring.Clear();
  ring.Push(8);
  ring.Push(9);
  ring.Push(10);
  EXPECT_EQ(Contents(ring), (std::vector<int>{9, 10}));
  EXPECT_EQ(ring.Oldest(), 9);
  EXPECT_EQ(ring.Newest(), 10);
}

}  // namespace
}  // namespace qx9
