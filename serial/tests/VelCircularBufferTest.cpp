#include "VelCircularBuffer.h"
#include "VelUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string Linear(const TVelCircularBuffer& ring) {
  return std::string(reinterpret_cast<const char*>(ring.ReadPointer()), ring.LinearUsedSpace());
}

bool Put(TVelCircularBuffer& ring, const std::string& bytes) {
  return ring.PutData(bytes.data(), static_cast<int>(bytes.size()));
}

// Drains the ring the way the write thread does, one linear stretch at a time.
std::string Drain(TVelCircularBuffer& ring) {
  std::string out;
  while (ring.UsedSpace() > 0) {
    out += Linear(ring);
    EXPECT_TRUE(ring.Remove(ring.LinearUsedSpace()));
  }
  return out;
}

TEST(VelCircularBuffer, PutsBeyondTheFreeSpaceChangeNothing) {
  TVelCircularBuffer ring(8);
  EXPECT_FALSE(ring.PutData("x", 0));
  EXPECT_FALSE(ring.PutData("x", -1));
  ASSERT_TRUE(Put(ring, "abc"));
  EXPECT_FALSE(Put(ring, "123456"));  // one more than the free space
  EXPECT_EQ(ring.UsedSpace(), 3);
  ASSERT_TRUE(Put(ring, "defgh"));
  EXPECT_EQ(ring.FreeSpace(), 0);
  EXPECT_EQ(ring.LinearUsedSpace(), 8);
  EXPECT_FALSE(Put(ring, "x"));
  EXPECT_EQ(Drain(ring), "abcdefgh");
}

TEST(VelCircularBuffer, PutAcrossTheEndSplitsTheCopy) {
  TVelCircularBuffer ring(8);
  ASSERT_TRUE(Put(ring, "012345"));
  ASSERT_TRUE(ring.Remove(6));
  ASSERT_TRUE(Put(ring, "wxyz"));
  EXPECT_EQ(ring.UsedSpace(), 4);
  EXPECT_EQ(ring.LinearUsedSpace(), 2);
  EXPECT_EQ(Linear(ring), "wx");
  ASSERT_TRUE(ring.Remove(2));
  // The write position wrapped to 2: the rest now lies at the start.
  EXPECT_EQ(Linear(ring), "yz");
}

TEST(VelCircularBuffer, WrappedRingFillsExactlyAndDrainsInOrder) {
  TVelCircularBuffer ring(8);
  ASSERT_TRUE(Put(ring, "0123"));
  ASSERT_TRUE(ring.Remove(3));
  ASSERT_TRUE(Put(ring, "abcdefg"));  // exactly the free space, across the end
  EXPECT_EQ(ring.FreeSpace(), 0);
  EXPECT_EQ(ring.LinearUsedSpace(), 5);
  EXPECT_EQ(Drain(ring), "3abcdefg");
  EXPECT_EQ(ring.FreeSpace(), 8);
}

TEST(VelCircularBuffer, PutEndingExactlyAtTheEndWrapsToZero) {
  TVelCircularBuffer ring(8);
  ASSERT_TRUE(Put(ring, "01234"));
  ASSERT_TRUE(ring.Remove(5));
  ASSERT_TRUE(Put(ring, "abc"));  // positions 5..7
  ASSERT_TRUE(Put(ring, "d"));    // position 0
  EXPECT_EQ(Drain(ring), "abcd");
}

TEST(VelCircularBuffer, RemoveChecksTheStoredCountAndClearEmpties) {
  TVelCircularBuffer ring(8);
  ASSERT_TRUE(Put(ring, "abcdefgh"));
  EXPECT_FALSE(ring.Remove(9));
  EXPECT_FALSE(ring.Remove(-1));
  EXPECT_TRUE(ring.Remove(0));
  EXPECT_EQ(ring.UsedSpace(), 8);  // still full
  EXPECT_TRUE(ring.Remove(8));
  EXPECT_EQ(ring.UsedSpace(), 0);
  EXPECT_EQ(ring.FreeSpace(), 8);
  ASSERT_TRUE(Put(ring, "abcdefgh"));
  ring.Clear();
  EXPECT_EQ(ring.FreeSpace(), 8);
  ASSERT_TRUE(Put(ring, "xy"));
  EXPECT_EQ(Drain(ring), "xy");
}

// Many blocks of varying sizes through a small ring: nothing lost, nothing
// repeated, whatever the positions.
TEST(VelCircularBuffer, LongRunKeepsOrder) {
  TVelCircularBuffer ring(13);
  std::string sent, received;
  unsigned char next = 0;
  for (int round = 0; round < 500; ++round) {
    std::string block;
    for (int i = 0; i < round % 7 + 1; ++i)
      block += static_cast<char>(next++);
    if (Put(ring, block))
      sent += block;
    const int take = std::min(ring.LinearUsedSpace(), round % 5 + 1);
    received += std::string(reinterpret_cast<const char*>(ring.ReadPointer()), take);
    ASSERT_TRUE(ring.Remove(take));
  }
  received += Drain(ring);
  EXPECT_EQ(received, sent);
}

TEST(VelUtils, FillCardinalsWritesOnlyTheCount) {
  uint32_t cells[5] = {1, 1, 1, 1, 1};
  FillCardinals(cells + 1, 3, 0xDEADBEEF);
  EXPECT_EQ(cells[0], 1u);
  EXPECT_EQ(cells[1], 0xDEADBEEFu);
  EXPECT_EQ(cells[3], 0xDEADBEEFu);
  EXPECT_EQ(cells[4], 1u);
  FillCardinals(cells, 0, 7);
  EXPECT_EQ(cells[0], 1u);
}

TEST(VelUtils, SafeCloseHandleClosesOnce) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  SafeCloseHandle(event);
  EXPECT_EQ(event, INVALID_HANDLE_VALUE);
  SafeCloseHandle(event);  // already closed: nothing happens
  EXPECT_EQ(event, INVALID_HANDLE_VALUE);
}

}  // namespace
