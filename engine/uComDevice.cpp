#include "uComDevice.h"

#include "StringList.h"

VEL_CLASS_IMPL(TCOMDevice, TObject)

void TCOMDevice::Reset() {
  DeviceType = dtKvmh;
  // Relay and moisture sensor are assumed until the OF reply tells.
  OptionFlags = ofRelay | ofMoistureSensor;
  StateText.clear();
  PVText.clear();
  DetectorID.clear();
  ProductID.clear();
  PartNumber.clear();
  SerialNumber.clear();
  Firmware.clear();
  CalDate.clear();
  CalDueDate.clear();
  CalDust.clear();
  RunState = rsNoState;
  ReportingStandard = stNone;
  StopTime = 0;
  Moisture.clear();
  for (std::string& result : Results)
    result.clear();
  MoistureLimit = kNoLimit;
  for (int32_t& limit : PartLimits)
    limit = kNoLimit;
}

void TCOMDevice::SetResult(const std::string& text) {
  for (std::string& result : Results)
    result.clear();
  const std::string value = Trim(text);
  if (ReportingStandard == stNAS ||
      (ReportingStandard == stISO && value.find('/') == std::string::npos)) {
    Results[0] = value;
    return;
  }
  if (ReportingStandard != stISO)
    return;
  TStringList channels;
  channels.SetDelimiter('/');
  channels.SetDelimitedText(value);
  for (int i = 0; i < kResultChannels && i < channels.Count(); ++i)
    Results[i] = channels.Strings(i);
}
