// Every text of the setup utility fits its control in every language: the
// main window in the states that change its captions, the console, the
// progress window and the About box, each shown in each language of the
// table and measured control by control.
#include "frmAbout.h"

#include "CaptionFit.h"
#include "MainFormTestSupport.h"
#include "FileUtils.h"
#include "System.h"

#include <functional>
#include <initializer_list>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TMainFormEnvironment);

constexpr int kMailText = 125;

std::vector<std::wstring> Texts(std::initializer_list<int> numbers) {
  std::vector<std::wstring> texts;
  for (int n : numbers)
    texts.push_back(GetLangText(n));
  return texts;
}

// English and English (USA) stand as they are given.
const TStandingTexts kStanding = {
    {0, 1}, {"lRepStandard", "lMeasPeriod", "lCalDueDate", "lManuallyOpRelay"}};

class CaptionFitTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    SetPortProbe([](int port) { return port <= 12; });
    RescanPorts();
    SetAboutTexts(::GetLangText, kMailText);
    MakeForm();
  }
  void TearDown() override {
    MainFormTest::TearDown();
    SetPortProbe(nullptr);
    RescanPorts();
  }

  // Runs check with the main window in every language of the table.
  void InEveryLanguage(const std::function<void(int)>& check) {
    for (int language = 0; language < LanguageSet().LanguageCount; ++language) {
      TOwned<TMenuItem> item(Create<TMenuItem>(nullptr));
      item->SetTag(language);
      form_->LanguageClick(item.get());
      check(language);
    }
  }

  // The texts the window shows only while connected or connecting.
  static TOtherTexts ConnectedTexts() {
    return {{"btnConnect", Texts({14, 15})},
            {"StatusBar.0", Texts({21, 22})},
            {"StatusBar.1", Texts({117, 118, 119, 120, 121, 122, 123, 124})}};
  }

  // The captions and rows that follow the instrument's options and type.
  void ShowJ1939Output() {
    form_->Device()->OptionFlags = ofJ1939Output;
    form_->ApplyOptionFlags();
  }
  void ShowFourChannels() {
    form_->Device()->DeviceType = dtKvmf;
    form_->ConfigureForDeviceType();
    form_->SetReportingStandard("ISO", "MTD");
  }
  void ShowFirstState() {
    form_->Device()->OptionFlags = 0;
    form_->ApplyOptionFlags();
    form_->Device()->DeviceType = dtKvmh;
    form_->ConfigureForDeviceType();
  }

  static TOwned<TAboutForm> MakeAboutBox() {
    TOwned<TAboutForm> about(Create<TAboutForm>(nullptr));
    about->ShowVersionInfo(ExpandFileName(ExtractFilePath(ParamStr(0)) + "..\\kolvexmk.exe"));
    return about;
  }
  TConsolForm* ShownConsole() {
    console_->Show();
    return console_.get();
  }
  static TProgressForm* ShownProgress() {
    ProgressForm()->ShowInfo(GetLangText(17));
    return ProgressForm();
  }

  TCaptionFitReport report_{kStanding};
};

TEST_F(CaptionFitTest, MainWindow) {
  InEveryLanguage([this](int language) {
    report_.Check(form_.get(), "main window", language, ConnectedTexts());
    ShowJ1939Output();
    report_.Check(form_.get(), "main window with SAE J1939 output", language);
    ShowFourChannels();
    report_.Check(form_.get(), "main window with four ISO channels", language);
    ShowFirstState();
  });
  report_.ExpectStandingMisfitsSeen();
}

TEST_F(CaptionFitTest, Console) {
  InEveryLanguage([this](int language) {
    report_.Check(ShownConsole(), "console", language);
    console_->Close();
  });
}

TEST_F(CaptionFitTest, ProgressWindow) {
  InEveryLanguage([this](int language) {
    report_.Check(ShownProgress(), "progress window", language, {{"lInfo", Texts({20, 126})}});
    ProgressForm()->HideProgress();
  });
}

TEST_F(CaptionFitTest, AboutBox) {
  InEveryLanguage(
      [this](int language) { report_.Check(MakeAboutBox().get(), "About box", language); });
}

// Not a check: every form in every language for the contact sheet that
// captionfit-pictures.sh makes.
TEST_F(CaptionFitTest, DISABLED_ShowFormsForPictures) {
  InEveryLanguage([this](int language) {
    const std::string in = "-" + std::to_string(language);
    EXPECT_TRUE(HoldForPicture(form_.get(), "main" + in));
    ShowJ1939Output();
    EXPECT_TRUE(HoldForPicture(form_.get(), "main-j1939" + in));
    ShowFirstState();
    EXPECT_TRUE(HoldForPicture(ShownConsole(), "console" + in));
    console_->Close();
    EXPECT_TRUE(HoldForPicture(ShownProgress(), "progress" + in));
    ProgressForm()->HideProgress();
    EXPECT_TRUE(HoldForPicture(MakeAboutBox().get(), "about" + in));
  });
}

}  // namespace
