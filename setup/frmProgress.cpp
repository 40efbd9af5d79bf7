#include "frmProgress.h"

#include "SysUtils.h"
#include "uLanguagesSetup.h"

VEL_COMPONENT_IMPL(TBusyProgressBar, TProgressBar)
VEL_COMPONENT_IMPL(TProgressForm, TForm)

namespace {

constexpr TColor kInfoColor = 0x96E1FF;
constexpr int kMarqueeIntervalMs = 40;
constexpr int kBusyCaptionText = 24;
constexpr int kPleaseWaitText = 25;

TProgressForm* instance = nullptr;

TMarqueeProbe& MarqueeProbe() {
  static TMarqueeProbe probe;
  return probe;
}

// The marquee came with version 6 of the platform (Vista).
bool PlatformHasMarquee() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof(info);
  return GetVersionExA(&info) && info.dwMajorVersion > 5;
}

void EnableMainForm() {
  TCustomForm* main = Application()->MainForm();
  if (main && !main->Enabled())
    main->SetEnabled(true);
}

}  // namespace

// ---- TBusyProgressBar -----------------------------------------------------------------------

void TBusyProgressBar::SetMarquee(bool value) {
  if (value == marquee_)
    return;
  marquee_ = value;
  if (HandleAllocated())
    RecreateWnd();
}

void TBusyProgressBar::CreateParams(TCreateParams& params) {
  TProgressBar::CreateParams(params);
  if (marquee_)
    params.Style |= PBS_MARQUEE;
}

// ---- TProgressForm --------------------------------------------------------------------------

void TProgressForm::Publish(TPublisher<TProgressForm>& p) {
  p.Field<&TProgressForm::pBackground>("pBackground");
  p.Field<&TProgressForm::pInfo>("pInfo");
  p.Field<&TProgressForm::lInfo>("lInfo");
  p.Field<&TProgressForm::pProgress>("pProgress");
  p.Field<&TProgressForm::Timer1>("Timer1");
  p.Method<&TProgressForm::FormCreate>("FormCreate");
  p.Method<&TProgressForm::FormShow>("FormShow");
  p.Method<&TProgressForm::FormCloseQuery>("FormCloseQuery");
  p.Method<&TProgressForm::FormClose>("FormClose");
  p.Method<&TProgressForm::Timer1Timer>("Timer1Timer");
}

void TProgressForm::FormCreate(TObject*) {
  pInfo->SetColor(kInfoColor);
  useMarquee_ = MarqueeProbe() ? MarqueeProbe()() : PlatformHasMarquee();
  pProgress->SetMarquee(useMarquee_);
}

void TProgressForm::FormShow(TObject*) {
  hiding_ = false;
  CentreOnMainForm();
  pProgress->SetPosition(0);
  if (useMarquee_)
    pProgress->Perform(PBM_SETMARQUEE, 1, kMarqueeIntervalMs);
  else
    Timer1->SetEnabled(true);
}

void TProgressForm::CentreOnMainForm() {
  const TCustomForm* main = Application()->MainForm();
  if (!main || main == this)
    return;
  SetBounds(main->Left() + (main->Width() - Width()) / 2,
            main->Top() + (main->Height() - Height()) / 2, Width(), Height());
}

void TProgressForm::FormCloseQuery(TObject*, bool& canClose) {
  if (hiding_)
    return;
  canClose = false;
  ShowMessageBoxW(Handle(), GetLangText(kPleaseWaitText), GetLangText(kBusyCaptionText),
                  MB_OK | MB_ICONINFORMATION);
}

void TProgressForm::FormClose(TObject*, TCloseAction&) {
  if (useMarquee_)
    pProgress->Perform(PBM_SETMARQUEE, 0, 0);
  else
    Timer1->SetEnabled(false);
  EnableMainForm();
}

void TProgressForm::Timer1Timer(TObject*) {
  pProgress->StepIt();
}

void TProgressForm::ShowInfo(const std::wstring& text) {
  SetPopupParent(Application()->MainForm());
  if (!Visible())
    Show();
  SetInfo(text);
}

void TProgressForm::SetInfo(const std::wstring& text) {
  lInfo->SetCaption(text);
  Application()->ProcessMessages();
}

void TProgressForm::HideProgress() {
  if (!Visible())
    return;
  hiding_ = true;
  Close();
}

TProgressForm* ProgressForm() {
  if (!instance)
    instance = Create<TProgressForm>(nullptr);
  return instance;
}

void FreeProgressForm() {
  TProgressForm* form = instance;
  instance = nullptr;
  if (form)
    form->Free();
}

void SetMarqueeProbe(TMarqueeProbe probe) {
  MarqueeProbe() = std::move(probe);
}
