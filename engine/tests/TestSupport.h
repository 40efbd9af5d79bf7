// Helpers shared by the engine tests: the library's start-up around the
// tests, a host with the English error texts, a fake clock, a scratch folder
// and a main-thread message pump.
#pragma once

#include "Forms.h"
#include "LambdaThread.h"
#include "Win.h"
#include "uCommEngine.h"

#include <string>
#include <vector>

// A few English error texts; logging as the test sets it.
class TTestHost : public ICommEngineHost {
 public:
  std::wstring GetLangText(int textNumber) const override;
  bool LoggingEnabled() const override { return !LogFolder.empty(); }
  std::string LogBaseFolder() const override { return LogFolder; }

  std::string LogFolder;
};

// Replaces the tick source while it lives. Each reading adds Step.
class TFakeClock {
 public:
  TFakeClock();
  ~TFakeClock();
  static void Advance(DWORD ms);
  static void SetStep(DWORD ms);
};

// A fresh folder under the temporary folder, removed with its files.
class TScratchFolder {
 public:
  TScratchFolder();
  ~TScratchFolder();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadWholeFile(const std::string& fileName);

// Messages of the exceptions that reached the application's handler.
std::vector<std::string>& ReportedExceptions();

// The application loop, run until a condition holds or a time-out passes.
using classlib::PumpFor;
using classlib::PumpUntil;
