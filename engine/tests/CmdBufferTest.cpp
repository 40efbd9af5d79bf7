#include "TestSupport.h"
#include "uCmdBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Entries(TCmdBuffer& queue) {
  std::vector<std::string> entries;
  for (int i = 0; i < queue.Count(); ++i)
    entries.push_back(queue.Strings(i));
  return entries;
}

using Strings = std::vector<std::string>;

void Fill(TCmdBuffer& queue, const Strings& entries) {
  for (const std::string& entry : entries)
    queue.Add(entry, false);
}

// The engine has written the head and awaits its reply.
void TakeHead(TCmdBuffer& queue) {
  std::string head;
  ASSERT_TRUE(queue.PeekFirst(head));
}

TEST(CmdBufferReplace, ASetWithAnotherValueIsAppended) {
  TCmdBuffer queue;
  Fill(queue, {"RMP", "SMP 50"});
  EXPECT_EQ(2, queue.Add("SMP 60", true));
  EXPECT_EQ((Strings{"RMP", "SMP 50", "SMP 60"}), Entries(queue));
}

TEST(CmdBufferReplace, SetsReplaceSetsAndReadsReplaceReads) {
  TCmdBuffer queue;
  Fill(queue, {"RDS", "SSS ON", "SMP 60", "RLR"});
  EXPECT_EQ(1, queue.Add("SSS ON", true));
  EXPECT_EQ(2, queue.Add("SMP 6", true));
  EXPECT_EQ(3, queue.Add("RLR", true));
  EXPECT_EQ(0, queue.Add("RDS", true));
  EXPECT_EQ((Strings{"RDS", "SSS ON", "SMP 6", "RLR"}), Entries(queue));
}

TEST(CmdBufferReplace, AReadNeverOverwritesAQueuedSet) {
  TCmdBuffer queue;
  Fill(queue, {"RDS", "SSS ON"});
  EXPECT_EQ(2, queue.Add("RSS", true));
  EXPECT_EQ((Strings{"RDS", "SSS ON", "RSS"}), Entries(queue));
  // The read after the set is found and replaced, not piled up.
  EXPECT_EQ(2, queue.Add("RSS", true));
  EXPECT_EQ(3, queue.Count());
}

TEST(CmdBufferReplace, ReadsQueuedByRepliesLeaveSetsOfTheirMnemonic) {
  TCmdBuffer queue;
  Fill(queue, {"SLT 16,14,12", "SSS OFF"});
  EXPECT_TRUE(queue.AddCommaText("RLT,RSS", true));
  EXPECT_EQ((Strings{"SLT 16,14,12", "SSS OFF", "RLT", "RSS"}), Entries(queue));
}

TEST(CmdBufferReplace, TheHeadInFlightIsOverwrittenOnlyByItsOwnText) {
  TCmdBuffer queue;
  Fill(queue, {"SMP 60"});
  TakeHead(queue);
  EXPECT_EQ(1, queue.Add("SMP 6", true));
  EXPECT_EQ(0, queue.Add("SMP 60", true));
  EXPECT_EQ((Strings{"SMP 60", "SMP 6"}), Entries(queue));
  // Once the reply removed the head, the next head is free again until taken.
  queue.Delete(0);
  EXPECT_EQ(0, queue.Add("SMP 6", true));
  EXPECT_EQ(1, queue.Count());
}

TEST(CmdBufferReplace, APolledReadInFlightIsNotQueuedTwice) {
  TCmdBuffer queue;
  Fill(queue, {"RDS", "RLR"});
  TakeHead(queue);
  EXPECT_TRUE(queue.AddCommaText("RDS,RLR", true));
  EXPECT_EQ((Strings{"RDS", "RLR"}), Entries(queue));
}

TEST(CmdBufferReplace, AppliesOnlyToUpperCaseReadsAndSets) {
  TCmdBuffer queue;
  Fill(queue, {"RDS", "%detect_done%"});
  EXPECT_EQ(2, queue.Add("rds", true));
  EXPECT_EQ(3, queue.Add("%detect_done%", true));
  EXPECT_EQ(4, queue.Add("RDS", false));
}

TEST(CmdBuffer, EmptyCommandsAndBadIndexesChangeNothing) {
  TCmdBuffer queue;
  Fill(queue, {"RDS"});
  EXPECT_EQ(-1, queue.Add("", true));
  queue.Delete(-1);
  queue.Delete(1);
  EXPECT_EQ((Strings{"RDS"}), Entries(queue));
  queue.Clear();
  std::string head = "untouched";
  EXPECT_FALSE(queue.PeekFirst(head));
  EXPECT_EQ("untouched", head);
}

TEST(CmdBufferCommaText, SplitsAtCommasAndUnquotedBlanks) {
  TCmdBuffer queue;
  EXPECT_TRUE(queue.AddCommaText("STR,RDS", false));
  EXPECT_TRUE(queue.AddCommaText("SDI \"line 4, tank\"", false));
  EXPECT_EQ((Strings{"STR", "RDS", "SDI", "line 4, tank"}), Entries(queue));
}

TEST(CmdBufferCommaText, SkipsEmptyItemsButCountsThem) {
  TCmdBuffer queue;
  EXPECT_FALSE(queue.AddCommaText("", false));
  EXPECT_TRUE(queue.AddCommaText(",", false));
  EXPECT_EQ(0, queue.Count());
  EXPECT_TRUE(queue.AddCommaText("RDS,,RLR,", false));
  EXPECT_TRUE(queue.AddCommaText("\"\",RMV", false));
  EXPECT_EQ((Strings{"RDS", "RLR", "RMV"}), Entries(queue));
}

TEST(CmdBufferCommaText, ItemsSeeTheOnesAddedBeforeThem) {
  TCmdBuffer queue;
  EXPECT_TRUE(queue.AddCommaText("RDS,RLR,RDS,SSS ON", true));
  // "SSS ON" splits at the blank; SSS replaces nothing, ON is no read or set.
  EXPECT_EQ((Strings{"RDS", "RLR", "SSS", "ON"}), Entries(queue));
}

// The engine thread takes and deletes heads while the main thread adds.
TEST(CmdBufferThreads, AConcurrentProducerAndConsumerLoseNothing) {
  const int kCount = 2000;
  TCmdBuffer queue;
  std::vector<std::string> consumed;
  std::atomic<bool> produced{false};
  TLambdaThread consumer([&](TLambdaThread&) {
    std::string head;
    while (!produced || queue.Count() > 0) {
      if (queue.PeekFirst(head)) {
        consumed.push_back(head);
        queue.Delete(0);
      }
    }
  });
  for (int i = 0; i < kCount; ++i)
    queue.Add("C" + std::to_string(i), false);
  produced = true;
  consumer.WaitFor();
  ASSERT_EQ(static_cast<size_t>(kCount), consumed.size());
  for (int i = 0; i < kCount; ++i)
    ASSERT_EQ("C" + std::to_string(i), consumed[i]);
}

// Replacing reads from one thread while another takes and deletes heads: a
// read never waits twice, not even beside its copy in flight.
TEST(CmdBufferThreads, ConcurrentPollsNeverPileUp) {
  TCmdBuffer queue;
  std::atomic<bool> done{false};
  std::atomic<int> maxCount{0};
  TLambdaThread poller([&](TLambdaThread&) {
    for (int i = 0; i < 3000; ++i) {
      queue.AddCommaText("RDS,RLR", true);
      maxCount = std::max(maxCount.load(), queue.Count());
    }
    done = true;
  });
  std::string head;
  while (!done) {
    if (queue.PeekFirst(head))
      queue.Delete(0);
  }
  poller.WaitFor();
  EXPECT_LE(maxCount.load(), 2);
}

}  // namespace
