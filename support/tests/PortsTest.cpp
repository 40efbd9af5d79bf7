// Port probing and the port cache against the virtual null-modem.
#include "uToolbox.h"

#include "LibraryEnvironment.h"
#include "PeerClient.h"
#include "StringList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TLibraryEnvironment);

std::vector<std::string> Names(TStringList* list) {
  std::vector<std::string> names;
  for (int i = 0; i < list->Count(); ++i)
    names.push_back(list->Strings(i));
  return names;
}

bool NoPort(int) {
  return false;
}

// First: the cache lives as long as the process. Wine may map host serial
// devices to low numbers, so the names are compared with the first scan.
TEST(PortsTest, CacheChangesOnlyOnRescan) {
  TOwned<TStringList> list(Create<TStringList>());
  EnumComPorts(list.get(), false);
  std::vector<std::string> names = Names(list.get());
  const int hostFirst = names.empty() ? 0 : ComPortNumber(names.front(), 0);
  EXPECT_EQ(hostFirst, FirstComPort(false));

  TPeerPort port(names.empty() ? 1 : ComPortNumber(names.back(), 0) + 1, 255);
  EnumComPorts(list.get(), false);
  EXPECT_EQ(names, Names(list.get()));
  EnumComPorts(list.get(), true);
  names.push_back("COM" + IntToStr(port.Number()));
  EXPECT_EQ(names, Names(list.get()));
  EXPECT_EQ(ComPortNumber(names.front(), 0), FirstComPort(false));
  EXPECT_EQ(ComPortNumber(names.front(), 0), FirstComPort(true));

  // An empty cache gives 0 even while ports exist; probing leaves it alone.
  SetPortProbe(NoPort);
  EnumComPorts(list.get(), true);
  SetPortProbe(nullptr);
  EXPECT_EQ(0, list->Count());
  EXPECT_EQ(0, FirstComPort(false));
  EXPECT_EQ(ComPortNumber(names.front(), 0), FirstComPort(true));
  EXPECT_EQ(0, FirstComPort(false));
  EnumComPorts(nullptr, true);
}

TEST(PortsTest, ProbePresentAbsentAndHeldPorts) {
  TPeerPort present(1, 255);
  TPeerPort absent(1, 255, TPeerDevice::Absent);
  EXPECT_TRUE(ComPortExists(present.Number()));
  EXPECT_FALSE(ComPortExists(absent.Number()));

  HANDLE held = CreateFileA(present.DeviceName().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_TRUE(ComPortExists(present.Number()));
  CloseHandle(held);
}

}  // namespace
