// The About box of both programs: product, version, copyright and trademark
// lines from the program's version resource, the maker's logo and contact
// details. The web and mail addresses open the browser and the mail program.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "UcStdCtrls.h"

#include <functional>
#include <string>

// The hosting program's text by number, and the number of its "eMail"
// caption (the programs' tables differ there).
using TAboutTextFunc = std::function<std::wstring(int text)>;
void SetAboutTexts(TAboutTextFunc text, int mailText);

// How the box opens a web or mail address; tests put a recorder here so
// that no host program is launched. Empty restores ShellExecuteA.
using TAboutShellExecute = std::function<void(const std::string& verb, const std::string& file)>;
void SetAboutShellExecute(TAboutShellExecute execute);

// The maker's contact details shown in the box.
extern const char* const kMakerAddress[5];
extern const char kMakerPhone[];
extern const char kMakerUrl[];
extern const char kMakerMail[];

class TAboutForm : public TForm {
  VEL_CLASS(TAboutForm, TForm)
  static void Publish(TPublisher<TAboutForm>& p);

 public:
  using TForm::TForm;

  TPanel* pContainer = nullptr;
  TPanel* pLeftColorbar = nullptr;
  TImage* imgIcon = nullptr;
  TPanel* Panel1 = nullptr;
  TPanel* pUpperColorBar = nullptr;
  TUcLabel* lProduct = nullptr;
  TUcLabel* lVersion = nullptr;
  TImage* imgCompany = nullptr;
  TUcLabel* lCopyright = nullptr;
  TUcLabel* lTrademarks = nullptr;
  TUcLabel* lAddress = nullptr;
  TLabel* lAddress1 = nullptr;
  TLabel* lAddress2 = nullptr;
  TLabel* lAddress3 = nullptr;
  TLabel* lAddress4 = nullptr;
  TLabel* lAddress5 = nullptr;
  TUcLabel* lPhone = nullptr;
  TUcLabel* lWebsite = nullptr;
  TUcLabel* leMail = nullptr;
  TLabel* lPhoneNr = nullptr;
  TLabel* lURL = nullptr;
  TLabel* lMail = nullptr;
  TUcButton* btnOk = nullptr;

  void FormCreate(TObject* sender);
  void lMailClick(TObject* sender);
  void lURLClick(TObject* sender);

  void UpdateCaptions();
  // The version lines from fileName's version resource; when it has none, or
  // no translation to build the key from, the design captions stay.
  void ShowVersionInfo(const std::string& fileName);
  void ShowContactInfo();
};

// Creates the box without owner above the main form, shows it modally and
// frees it.
void ShowAboutBox();
