// What the setup utility knows about the connected instrument. Only the main
// thread touches it, so it has no lock.
#pragma once

#include "Classes.h"
#include "DateUtils.h"

#include <cstdint>
#include <string>

// Option letters of the OF reply, A to H.
enum : uint8_t {
  ofRelay = 0x01,           // A
  ofOptionB = 0x02,         // B
  ofDisplay = 0x04,         // C
  ofMoistureSensor = 0x08,  // D
  ofOptionE = 0x10,         // E
  ofVoltageOutput = 0x20,   // F
  ofJ1939Output = 0x40,     // G
  ofOptionH = 0x80,         // H
};

enum : uint8_t { dtKvmh = 0, dtKvmf = 1 };
enum : uint8_t { rsNoState = 0, rsRunning = 1, rsStopped = 2 };
enum : uint8_t { stNone = 0, stISO = 1, stNAS = 2 };

const int kNoLimit = 999;
const int kResultChannels = 4;

class TCOMDevice : public TObject {
  VEL_CLASS(TCOMDevice, TObject)
 public:
  TCOMDevice() { Reset(); }

  void Reset();
  void SetMoisture(const std::string& text) { Moisture = text; }
  // Splits a result reply into the channel codes by the reporting standard.
  void SetResult(const std::string& text);

  uint8_t DeviceType;
  uint8_t OptionFlags;
  std::string StateText;
  std::string PVText;
  std::string DetectorID;
  std::string ProductID;
  std::string PartNumber;
  std::string SerialNumber;
  std::string Firmware;
  std::string CalDate;
  std::string CalDueDate;
  std::string CalDust;
  uint8_t RunState;
  uint8_t ReportingStandard;
  TDateTime StopTime;
  std::string Moisture;
  std::string Results[kResultChannels];
  int32_t MoistureLimit;
  int32_t PartLimits[kResultChannels];
};
