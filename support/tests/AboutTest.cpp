// The About box: captions by number, version lines from the resource, the
// maker's details and the links, and the three ways to close it.
#include "frmAbout.h"

#include "ExtCtrls.h"
#include "FileUtils.h"
#include "LibraryEnvironment.h"
#include "StdCtrls.h"
#include "System.h"
#include "WidgetModules.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class TAboutEnvironment : public TLibraryEnvironment {
 protected:
  void BeforeStartup() override { RegisterWidgetModules(); }
  void AfterStartup() override {
    RegisterStdCtrlsClasses();
    RegisterExtCtrlsClasses();
  }
};

const auto* const environment = testing::AddGlobalTestEnvironment(new TAboutEnvironment);

class AboutTest : public testing::Test {
 protected:
  void SetUp() override {
    SetAboutTexts([](int n) { return L"T" + std::to_wstring(n); }, 125);
    SetAboutShellExecute([this](const std::string& verb, const std::string& file) {
      opened_.emplace_back(verb, file);
    });
  }
  void TearDown() override {
    SetAboutShellExecute(nullptr);
    SetAboutTexts(nullptr, 71);
  }

  TOwned<TAboutForm> MakeForm() { return TOwned<TAboutForm>(Create<TAboutForm>(nullptr)); }

  std::vector<std::pair<std::string, std::string>> opened_;
};

TEST_F(AboutTest, CaptionsComeFromTheProgramsTexts) {
  auto form = MakeForm();
  EXPECT_EQ("T3", form->Caption());
  EXPECT_EQ(L"T0", form->lProduct->Caption());
  EXPECT_EQ(L"T1", form->btnOk->Caption());
  EXPECT_EQ(L"T4", form->lAddress->Caption());
  EXPECT_EQ(L"T5", form->lPhone->Caption());
  EXPECT_EQ(L"T6", form->lWebsite->Caption());
  EXPECT_EQ(L"T125", form->leMail->Caption());
  SetAboutTexts([](int n) { return L"T" + std::to_wstring(n); }, 71);
  EXPECT_EQ(L"T71", MakeForm()->leMail->Caption());
  // The labels keep texts no 8-bit code page holds.
  SetAboutTexts([](int n) { return n == 0 ? std::wstring(L"\u4e00\u4e8c") : L"x"; }, 71);
  EXPECT_EQ(L"\u4e00\u4e8c", MakeForm()->lProduct->Caption());
}

TEST_F(AboutTest, VersionLinesComeFromTheProgramsResource) {
  auto form = MakeForm();
  EXPECT_EQ(L"Version 2.3.4.5", form->lVersion->Caption());
  EXPECT_EQ(L"Copyright (C) 2026 Velmor \"about\"", form->lCopyright->Caption());
  EXPECT_EQ(L"Velmor is a mark of its maker", form->lTrademarks->Caption());
}

TEST_F(AboutTest, WithoutTranslationOrResourceTheDesignCaptionsStay) {
  const std::string folder = ExtractFilePath(ParamStr(0));
  for (const std::string& file :
       {folder + "about_no_translation.exe", folder + "no such file.exe"}) {
    auto form = MakeForm();
    form->lVersion->SetCaption(L"Version");
    form->lCopyright->SetCaption(L"Copyright");
    form->lTrademarks->SetCaption(L"Trademarks");
    form->ShowVersionInfo(file);
    EXPECT_EQ(L"Version", form->lVersion->Caption()) << file;
    EXPECT_EQ(L"Copyright", form->lCopyright->Caption()) << file;
    EXPECT_EQ(L"Trademarks", form->lTrademarks->Caption()) << file;
  }
}

TEST_F(AboutTest, ContactDetailsLogoAndLinks) {
  auto form = MakeForm();
  EXPECT_EQ(kMakerAddress[0], form->lAddress1->Caption());
  EXPECT_EQ(kMakerAddress[4], form->lAddress5->Caption());
  EXPECT_EQ(kMakerPhone, form->lPhoneNr->Caption());
  EXPECT_NE(std::string::npos, form->lURL->Caption().find(".example"));
  EXPECT_NE(std::string::npos, form->lMail->Caption().find("@velmor.example"));
  EXPECT_EQ(120, form->imgCompany->Picture()->Width());
  EXPECT_EQ(49, form->imgCompany->Picture()->Height());
  EXPECT_EQ(0x000ECBFEu, form->pLeftColorbar->Color());

  form->lMail->Click();
  form->lURL->Click();
  form->lPhoneNr->Click();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"open", "mailto:" + std::string(kMakerMail)},
      {"open", kMakerUrl},
      {"open", kMakerUrl},
  };
  EXPECT_EQ(expected, opened_);
}

// Posts a key or a click to the box once it shows; gives up after 5 s.
struct TCloser {
  UINT message = 0;
  WPARAM key = 0;
  int ticks = 0;
  bool found = false;
};
TCloser g_closer;

void CALLBACK CloseBox(HWND, UINT, UINT_PTR id, DWORD) {
  const HWND box = FindWindowA("TAboutForm", nullptr);
  if (++g_closer.ticks > 100) {
    KillTimer(nullptr, id);
    if (box)
      DestroyWindow(box);
    return;
  }
  if (!box || !IsWindowVisible(box) || GetActiveWindow() != box)
    return;
  KillTimer(nullptr, id);
  g_closer.found = true;
  const HWND focus = GetFocus();
  if (g_closer.message == BM_CLICK)
    PostMessageA(FindWindowExA(box, nullptr, nullptr, nullptr) ? focus : box, BM_CLICK, 0, 0);
  else
    PostMessageA(focus, g_closer.message, g_closer.key, 0);
}

TEST_F(AboutTest, OkEnterAndEscapeCloseTheBox) {
  for (const auto& way : {std::make_pair(UINT(WM_KEYDOWN), WPARAM(VK_RETURN)),
                          std::make_pair(UINT(WM_KEYDOWN), WPARAM(VK_ESCAPE)),
                          std::make_pair(UINT(BM_CLICK), WPARAM(0))}) {
    g_closer = TCloser{way.first, way.second};
    SetTimer(nullptr, 0, 50, CloseBox);
    ShowAboutBox();
    EXPECT_TRUE(g_closer.found) << way.first << " " << way.second;
    EXPECT_LE(g_closer.ticks, 100) << way.first << " " << way.second;
    EXPECT_EQ(nullptr, FindWindowA("TAboutForm", nullptr));
  }
}

}  // namespace
