#include "VelSafeSync.h"

#include "SerialTestSupport.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace {

// A receiver that records on which thread it ran and with which payloads.
struct TReceiver {
  std::vector<WPARAM> payloads;
  DWORD threadId = 0;
  DWORD busyMs = 0;
  bool raise = false;
  uint32_t disableId = 0;

  void Run(WPARAM payload) {
    threadId = GetCurrentThreadId();
    payloads.push_back(payload);
    if (busyMs)
      Sleep(busyMs);
    if (disableId)
      SafeSyncSetEnabled(disableId, false);
    if (raise)
      throw Exception("receiver failed");
  }
  TSafeSyncMethod AsMethod() { return Method<&TReceiver::Run>(this); }
};

// Runs call on a worker thread while the main thread serves messages.
template <typename F>
auto OnWorker(F call) {
  auto result = std::async(std::launch::async, call);
  EXPECT_TRUE(PumpUntil(
      [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  return result.get();
}

class VelSafeSync : public ::testing::Test {
 protected:
  void TearDown() override {
    for (uint32_t id : ids_)
      SafeSyncUnregister(id);
  }
  uint32_t Register(TReceiver& receiver) {
    const uint32_t id = SafeSyncRegister(receiver.AsMethod());
    if (id)
      ids_.push_back(id);
    return id;
  }
  std::vector<uint32_t> ids_;
};

// Ids go on growing across the tests: only the first registration of the
// process gets 1.
TEST_F(VelSafeSync, IdsGrowAndTheTableHoldsSixtyFour) {
  TReceiver receiver;
  const uint32_t first = Register(receiver);
  EXPECT_NE(first, 0u);
  for (uint32_t i = 1; i < 64; ++i)
    EXPECT_EQ(Register(receiver), first + i);
  EXPECT_EQ(Register(receiver), 0u);
  EXPECT_FALSE(SafeSyncSetEnabled(0, true));
  EXPECT_FALSE(SafeSyncCall(0, 100));
  EXPECT_FALSE(SafeSyncUnregister(0));

  // A freed slot is taken again, under a new id.
  EXPECT_TRUE(SafeSyncUnregister(ids_[10]));
  EXPECT_FALSE(SafeSyncUnregister(ids_[10]));
  EXPECT_EQ(Register(receiver), first + 64);
}

TEST_F(VelSafeSync, EnabledReceiverRunsOnTheMainThreadWithItsPayload) {
  TReceiver receiver;
  const uint32_t id = Register(receiver);
  ASSERT_TRUE(SafeSyncSetEnabled(id, true));
  EXPECT_TRUE(OnWorker([id] { return SafeSyncCall(id, 1000, 42); }));
  EXPECT_EQ(receiver.threadId, GetCurrentThreadId());
  EXPECT_EQ(receiver.payloads, std::vector<WPARAM>{42});
}

// A new receiver starts disabled; an unregistered one cannot be enabled again.
TEST_F(VelSafeSync, DisabledOrUnregisteredReceiverIsNotCalled) {
  TReceiver receiver;
  const uint32_t id = Register(receiver);
  EXPECT_FALSE(OnWorker([id] { return SafeSyncCall(id, 1000); }));
  SafeSyncSetEnabled(id, true);
  SafeSyncUnregister(id);
  EXPECT_FALSE(SafeSyncSetEnabled(id, true));
  EXPECT_FALSE(OnWorker([id] { return SafeSyncCall(id, 1000); }));
  PumpFor(50);
  EXPECT_TRUE(receiver.payloads.empty());
}

TEST_F(VelSafeSync, ReceiverExceptionGoesToTheApplicationHandler) {
  TReceiver receiver;
  receiver.raise = true;
  const uint32_t id = Register(receiver);
  SafeSyncSetEnabled(id, true);
  ReportedExceptions().clear();
  EXPECT_TRUE(OnWorker([id] { return SafeSyncCall(id, 1000); }));
  EXPECT_EQ(ReportedExceptions(), std::vector<std::string>{"receiver failed"});
}

TEST_F(VelSafeSync, ReceiverSwitchedOffDuringTheCallAnswersFalse) {
  TReceiver receiver;
  const uint32_t id = Register(receiver);
  receiver.disableId = id;
  SafeSyncSetEnabled(id, true);
  EXPECT_FALSE(OnWorker([id] { return SafeSyncCall(id, 1000); }));
  EXPECT_EQ(receiver.payloads.size(), 1u);
}

// The first receiver outlives its sender's wait; the second call waits for
// it and must deliver its own payload, not the first one's.
TEST_F(VelSafeSync, SlowReceiverTimesOutButKeepsEachPayload) {
  TReceiver receiver;
  const uint32_t id = Register(receiver);
  SafeSyncSetEnabled(id, true);
  receiver.busyMs = 150;
  const auto calls = [id] {
    const DWORD start = GetTickCount();
    const bool first = SafeSyncCall(id, 50, 1);
    const DWORD firstMs = GetTickCount() - start;
    const bool second = SafeSyncCall(id, 2000, 2);
    return std::make_pair(first && second, firstMs);
  };
  const auto [answered, firstMs] = OnWorker(calls);
  EXPECT_TRUE(answered);  // a time-out is not a failure
  EXPECT_LT(firstMs, 140u);
  EXPECT_EQ(receiver.payloads, (std::vector<WPARAM>{1, 2}));
}

// A posted method runs later on the main thread; the poster does not wait,
// so a main thread that waits for the poster cannot deadlock with it.
TEST_F(VelSafeSync, PostedMethodsRunOnTheMainThreadWithoutBlockingThePoster) {
  TReceiver receiver;
  Register(receiver);  // makes the window
  ReportedExceptions().clear();
  DWORD ranOn = 0;
  std::thread poster([&] {
    EXPECT_TRUE(SafeSyncPost([&] { ranOn = GetCurrentThreadId(); }));
    EXPECT_TRUE(SafeSyncPost([] { throw Exception("posted method failed"); }));
  });
  poster.join();  // the main thread serves nothing meanwhile
  EXPECT_EQ(ranOn, 0u);
  EXPECT_TRUE(PumpUntil([&] { return ranOn != 0 && !ReportedExceptions().empty(); }));
  EXPECT_EQ(ranOn, GetCurrentThreadId());
  EXPECT_EQ(ReportedExceptions(), std::vector<std::string>{"posted method failed"});
}

}  // namespace
