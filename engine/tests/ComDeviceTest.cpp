#include "TestSupport.h"
#include "uComDevice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

Strings Results(const TCOMDevice& device) {
  return Strings(std::begin(device.Results), std::end(device.Results));
}

Strings ResultsOf(uint8_t standard, const std::string& reply) {
  TCOMDevice device;
  device.ReportingStandard = standard;
  device.SetResult(reply);
  return Results(device);
}

TEST(COMDevice, ResetGivesTheValuesOfANewConnection) {
  TCOMDevice device;
  device.DeviceType = dtKvmf;
  device.OptionFlags = 0;
  device.SerialNumber = "12345";
  device.RunState = rsRunning;
  device.ReportingStandard = stISO;
  device.StopTime = 45000.5;
  device.SetMoisture("35.2");
  device.SetResult("18/16/13");
  device.MoistureLimit = 40;
  device.PartLimits[3] = 12;
  device.Reset();
  EXPECT_EQ(dtKvmh, device.DeviceType);
  EXPECT_EQ(ofRelay | ofMoistureSensor, device.OptionFlags);
  EXPECT_EQ("", device.SerialNumber);
  EXPECT_EQ(rsNoState, device.RunState);
  EXPECT_EQ(stNone, device.ReportingStandard);
  EXPECT_EQ(0.0, device.StopTime);
  EXPECT_EQ("", device.Moisture);
  EXPECT_EQ((Strings{"", "", "", ""}), Results(device));
  EXPECT_EQ(kNoLimit, device.MoistureLimit);
  for (int limit : device.PartLimits)
    EXPECT_EQ(kNoLimit, limit);
}

// ISO codes fill the channels in order and follow the delimited-text rule;
// NAS keeps the whole text.
TEST(COMDeviceResult, RepliesSplitIntoChannelsByStandard) {
  const struct {
    uint8_t standard;
    const char* reply;
    Strings channels;
  } cases[] = {
      {stISO, "18/16/13", {"18", "16", "13", ""}},
      {stISO, " 22/21/18/13\r\n", {"22", "21", "18", "13"}},
      {stISO, "22/21/18/13/9", {"22", "21", "18", "13"}},
      {stISO, "no data", {"no data", "", "", ""}},
      {stISO, "18 / 16 / 13", {"18", "16", "13", ""}},
      {stISO, "<11/\"no data\"", {"<11", "no data", "", ""}},
      {stNAS, "7", {"7", "", "", ""}},
      {stNAS, " 7/6 ", {"7/6", "", "", ""}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.channels, ResultsOf(c.standard, c.reply)) << c.reply;
}

TEST(COMDeviceResult, NoStandardYetLeavesEveryChannelEmpty) {
  TCOMDevice device;
  device.ReportingStandard = stISO;
  device.SetResult("18/16/13");
  device.ReportingStandard = stNone;
  device.SetResult("18/16/13");
  EXPECT_EQ((Strings{"", "", "", ""}), Results(device));
}

}  // namespace
