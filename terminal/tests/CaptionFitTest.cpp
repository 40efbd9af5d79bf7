// Every text of the terminal program fits its control in every language:
// the main window, the settings dialog, the byte table and the About box,
// each shown in each language of the table and measured control by control.
// Also the measure itself, and the texts the port number is appended to.
#include "frmASCII.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmSettings.h"

#include "CaptionFit.h"
#include "StdCtrls.h"
#include "TerminalTestSupport.h"
#include "UcStdCtrls.h"
#include "UcSystem.h"
#include "uLanguages.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <string>
#include <vector>

namespace {

const auto* const environment = testing::AddGlobalTestEnvironment(new TTerminalTestEnvironment);

// The texts the port number follows straight away: the port cannot be
// opened, the connection was lost.
constexpr int kPortNumberFollows[] = {51, 72};

std::vector<std::wstring> Texts(int language, std::initializer_list<int> numbers) {
  std::vector<std::wstring> texts;
  for (int n : numbers)
    texts.push_back(LookupLanguageText(language, n));
  return texts;
}

// English (UK), English (USA) and Japanese, which shows the English texts,
// stand as they are given.
const TStandingTexts kStanding = {{0, 1, 8}, {}};

class CaptionFitTest : public TTerminalFormTest {
 protected:
  void TearDown() override {
    SwitchLanguage(0);
    TTerminalFormTest::TearDown();
  }

  // Runs check on the shown form in every language of the table.
  template <typename Check>
  void InEveryLanguage(Check check) {
    MakeMainForm(1);
    for (int language = 0; language < LanguageSet().LanguageCount; ++language) {
      SwitchLanguage(language);
      check(language);
    }
  }

  TOwned<TSettingsForm> MakeSettingsDialog() {
    TOwned<TSettingsForm> dialog(Create<TSettingsForm>(nullptr));
    dialog->SetSettings(form_->Settings());
    dialog->LoadSettings();
    return dialog;
  }
  static TOwned<TAboutForm> MakeAboutBox() {
    TOwned<TAboutForm> about(Create<TAboutForm>(nullptr));
    about->ShowVersionInfo(VeltermPath());
    return about;
  }

  TCaptionFitReport report_{kStanding};
};

TEST_F(CaptionFitTest, MainWindow) {
  InEveryLanguage([this](int language) { report_.Check(form_.get(), "main window", language); });
}

TEST_F(CaptionFitTest, SettingsDialog) {
  InEveryLanguage([this](int language) {
    report_.Check(MakeSettingsDialog().get(), "settings dialog", language,
                  {{"btnRegisterExt", Texts(language, {64, 65})}});
  });
}

TEST_F(CaptionFitTest, ByteTable) {
  InEveryLanguage([this](int language) {
    report_.Check(TOwned<TASCIIForm>(Create<TASCIIForm>(nullptr)).get(), "byte table", language);
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
    EXPECT_TRUE(HoldForPicture(MakeSettingsDialog().get(), "settings" + in));
    EXPECT_TRUE(
        HoldForPicture(TOwned<TASCIIForm>(Create<TASCIIForm>(nullptr)).get(), "table" + in));
    EXPECT_TRUE(HoldForPicture(MakeAboutBox().get(), "about" + in));
  });
}

// The measure itself: a label that runs under its neighbour, and a check box,
// a button and a combo item too long for their room, are each reported, as
// is a control it has no rule for; what fits is not.
TEST(CaptionMeasureTest, ReportsEachKindOfMisfitAndNothingThatFits) {
  TOwned<TForm> form(CreateNew<TForm>(nullptr));
  form->SetBounds(40, 40, 400, 220);
  auto add = [&form](auto* control, const char* name, const TRect& bounds) {
    control->SetName(name);
    control->SetBoundsRect(bounds);
    control->SetParent(form.get());
    return control;
  };
  add(Create<TUcLabel>(form.get()), "lLong", Bounds(8, 8, 10, 13))
      ->SetCaption(L"A label far too long");
  auto* list = add(Create<TComboBox>(form.get()), "cbList", Bounds(60, 5, 73, 21));
  list->SetStyle(csDropDownList);
  list->Items()->Add("Fits");
  list->Items()->Add("An item far too long");
  add(Create<TUcLabel>(form.get()), "lShort", Bounds(8, 40, 10, 13))->SetCaption(L"Short");
  add(Create<TComboBox>(form.get()), "cbNext", Bounds(60, 37, 73, 21));
  add(Create<TUcCheckBox>(form.get()), "cbLong", Bounds(8, 70, 60, 17))
      ->SetCaption(L"A check box caption");
  add(Create<TUcCheckBox>(form.get()), "cbShort", Bounds(8, 90, 60, 17))->SetCaption(L"Echo");
  add(Create<TUcButton>(form.get()), "btnLong", Bounds(8, 120, 75, 25))
      ->SetCaption(L"A button caption too long");
  add(Create<TUcButton>(form.get()), "btnShort", Bounds(90, 120, 75, 25))->SetCaption(L"OK");
  add(Create<TCustomControl>(form.get()), "xUnknown", Bounds(8, 160, 20, 20));
  form->Show();
  classlib::PumpFor(20);

  std::set<std::string> misfits;
  for (const TMisfit& misfit : CaptionMisfits(form.get()))
    misfits.insert(misfit.control);
  EXPECT_EQ((std::set<std::string>{"lLong", "cbList item", "cbLong", "btnLong", "xUnknown"}),
            misfits);
}

TEST(TerminalTexts, TheOnesThePortNumberFollowsEndInCom) {
  for (int language = 0; language < TerminalLanguageSet.LanguageCount; ++language) {
    for (int number : kPortNumberFollows) {
      const std::wstring text = TerminalLanguageSet.LanguageTexts[language][number].Text;
      EXPECT_TRUE(text.size() >= 3 && text.compare(text.size() - 3, 3, L"COM") == 0)
          << WideStringToUTF8(GetLanguageName(language)) << ", text " << number << ": "
          << WideStringToUTF8(text);
    }
  }
}

}  // namespace
