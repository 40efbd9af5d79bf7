#include "frmAbout.h"

#include "SysUtils.h"
#include "System.h"

#include <shellapi.h>
#include <winver.h>

#include <cstdint>
#include <vector>

const char* const kMakerAddress[5] = {
    "Velmor Instruments Ltd.", "Serial Products Division",         "Terminal Software",
    "14 Example Row, Fictown", "Anyshire FX1 0ZZ, United Kingdom",
};
const char kMakerPhone[] = "+44 1632 960431";
const char kMakerUrl[] = "https://www.velmor.example/";
const char kMakerMail[] = "support@velmor.example";

namespace {

constexpr TColor kAmber = 0x000ECBFE;

TAboutTextFunc& TextSource() {
  static TAboutTextFunc source;
  return source;
}

int& MailText() {
  static int number = 71;
  return number;
}

TAboutShellExecute& ShellSource() {
  static TAboutShellExecute source;
  return source;
}

std::wstring AboutText(int number) {
  return TextSource() ? TextSource()(number) : std::wstring();
}

void OpenShell(const std::string& file) {
  if (ShellSource()) {
    ShellSource()("open", file);
    return;
  }
  ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

// A string value of the version block; empty when it has none.
std::string VersionValue(std::vector<char>& block, const std::string& key,
                         const std::string& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::string path = "\\StringFileInfo\\" + key + "\\" + name;
  if (!VerQueryValueA(block.data(), path.c_str(), &value, &length) || !value || length == 0)
    return "";
  return std::string(static_cast<const char*>(value));
}

}  // namespace

void SetAboutTexts(TAboutTextFunc text, int mailText) {
  TextSource() = std::move(text);
  MailText() = mailText;
}

void SetAboutShellExecute(TAboutShellExecute execute) {
  ShellSource() = std::move(execute);
}

VEL_COMPONENT_IMPL(TAboutForm, TForm)

void TAboutForm::Publish(TPublisher<TAboutForm>& p) {
  p.Field<&TAboutForm::pContainer>("pContainer");
  p.Field<&TAboutForm::pLeftColorbar>("pLeftColorbar");
  p.Field<&TAboutForm::imgIcon>("imgIcon");
  p.Field<&TAboutForm::Panel1>("Panel1");
  p.Field<&TAboutForm::pUpperColorBar>("pUpperColorBar");
  p.Field<&TAboutForm::lProduct>("lProduct");
  p.Field<&TAboutForm::lVersion>("lVersion");
  p.Field<&TAboutForm::imgCompany>("imgCompany");
  p.Field<&TAboutForm::lCopyright>("lCopyright");
  p.Field<&TAboutForm::lTrademarks>("lTrademarks");
  p.Field<&TAboutForm::lAddress>("lAddress");
  p.Field<&TAboutForm::lAddress1>("lAddress1");
  p.Field<&TAboutForm::lAddress2>("lAddress2");
  p.Field<&TAboutForm::lAddress3>("lAddress3");
  p.Field<&TAboutForm::lAddress4>("lAddress4");
  p.Field<&TAboutForm::lAddress5>("lAddress5");
  p.Field<&TAboutForm::lPhone>("lPhone");
  p.Field<&TAboutForm::lWebsite>("lWebsite");
  p.Field<&TAboutForm::leMail>("leMail");
  p.Field<&TAboutForm::lPhoneNr>("lPhoneNr");
  p.Field<&TAboutForm::lURL>("lURL");
  p.Field<&TAboutForm::lMail>("lMail");
  p.Field<&TAboutForm::btnOk>("btnOk");
  p.Method<&TAboutForm::FormCreate>("FormCreate");
  p.Method<&TAboutForm::lMailClick>("lMailClick");
  p.Method<&TAboutForm::lURLClick>("lURLClick");
}

void TAboutForm::FormCreate(TObject*) {
  pLeftColorbar->SetColor(kAmber);
  UpdateCaptions();
  ShowVersionInfo(ParamStr(0));
  ShowContactInfo();
}

void TAboutForm::UpdateCaptions() {
  SetCaption(WideToAnsi(AboutText(3)));
  lProduct->SetCaption(AboutText(0));
  btnOk->SetCaption(AboutText(1));
  lAddress->SetCaption(AboutText(4));
  lPhone->SetCaption(AboutText(5));
  lWebsite->SetCaption(AboutText(6));
  leMail->SetCaption(AboutText(MailText()));
}

void TAboutForm::ShowVersionInfo(const std::string& fileName) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0)
    return;
  std::vector<char> block(size, '\0');
  if (!GetFileVersionInfoA(fileName.c_str(), 0, size, block.data()))
    return;
  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &translation, &length) ||
      !translation || length < 4)
    return;
  const auto* pair = static_cast<const uint16_t*>(translation);
  const std::string key = IntToHex(pair[0], 4) + IntToHex(pair[1], 4);
  lVersion->SetCaption(AnsiToWide("Version " + VersionValue(block, key, "FileVersion")));
  lCopyright->SetCaption(AnsiToWide("Copyright " + VersionValue(block, key, "LegalCopyright")));
  lTrademarks->SetCaption(AnsiToWide(VersionValue(block, key, "LegalTrademarks")));
}

void TAboutForm::ShowContactInfo() {
  imgCompany->SetPictureResource("VelmorLogo");
  TLabel* const lines[] = {lAddress1, lAddress2, lAddress3, lAddress4, lAddress5};
  for (int i = 0; i < 5; ++i)
    lines[i]->SetCaption(kMakerAddress[i]);
  lPhoneNr->SetCaption(kMakerPhone);
  lURL->SetCaption(kMakerUrl);
  lMail->SetCaption(kMakerMail);
}

void TAboutForm::lMailClick(TObject*) {
  OpenShell("mailto:" + lMail->Caption());
}

void TAboutForm::lURLClick(TObject*) {
  OpenShell(lURL->Caption());
}

void ShowAboutBox() {
  TOwned<TAboutForm> form(Create<TAboutForm>(nullptr));
  form->SetPopupParent(Application()->MainForm());
  form->ShowModal();
}
