#include "Dialogs.h"

#include "Forms.h"
#include "Screen.h"

#include <commdlg.h>

#include <algorithm>
#include <array>
#include <vector>

VEL_ENUM_TYPE_IMPL(TOpenOption, "ofOverwritePrompt", "ofHideReadOnly", "ofPathMustExist",
                   "ofFileMustExist", "ofNoReadOnlyReturn", "ofEnableSizing", "ofDontAddToRecent")
VEL_ENUM_TYPE_IMPL(TColorDialogOption, "cdFullOpen", "cdAnyColor")

VEL_CLASS_IMPL(TCommonDialog, TComponent)
VEL_COMPONENT_IMPL(TOpenDialog, TCommonDialog)
VEL_COMPONENT_IMPL(TSaveDialog, TOpenDialog)
VEL_COMPONENT_IMPL(TColorDialog, TCommonDialog)

namespace {

std::array<TDialogExecutor, 3>& Executors() {
  static std::array<TDialogExecutor, 3> executors;
  return executors;
}

bool RunExecutor(TDialogKind kind, TCommonDialog* dialog, const std::function<bool()>& system) {
  const TDialogExecutor& executor = Executors()[kind];
  return executor ? executor(dialog) : system();
}

std::vector<std::string> SplitFilter(const std::string& filter) {
  std::vector<std::string> parts;
  if (filter.empty())
    return parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = filter.find('|', start);
    parts.push_back(filter.substr(start, bar == std::string::npos ? bar : bar - start));
    if (bar == std::string::npos)
      break;
    start = bar + 1;
  }
  // An unpaired last part has no pattern: it is dropped.
  parts.resize(parts.size() / 2 * 2);
  return parts;
}

const char* OrNull(const std::string& s) {
  return s.empty() ? nullptr : s.c_str();
}

constexpr const char* kColorNames = "ABCDEFGHIJKLMNOP";

}  // namespace

void SetDialogExecutor(TDialogKind kind, TDialogExecutor executor) {
  Executors()[kind] = std::move(executor);
}

// ---- TCommonDialog ---------------------------------------------------------------------------

HWND TCommonDialog::OwnerWindow() {
  TCustomForm* form = Screen() ? Screen()->ActiveForm() : nullptr;
  if (form && form->HandleAllocated())
    return form->WindowHandle();
  return Application() ? Application()->Handle() : nullptr;
}

// ---- TOpenDialog / TSaveDialog ---------------------------------------------------------------

void TOpenDialog::Publish(TPublisher<TOpenDialog>& p) {
  p.Property("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
  p.Property("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
  p.Property("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
  p.Property("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex);
  p.Property("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
  p.Property("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions);
  p.Property("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}

std::string TOpenDialog::FilterList() const {
  const std::vector<std::string> parts = SplitFilter(filter_);
  if (parts.empty())
    return "";
  std::string list;
  for (const std::string& part : parts)
    list += part + '\0';
  return list + '\0';
}

int TOpenDialog::EffectiveFilterIndex() const {
  const int filters = static_cast<int>(SplitFilter(filter_).size() / 2);
  return filterIndex_ >= 1 && filterIndex_ <= filters ? filterIndex_ : 1;
}

DWORD TOpenDialog::SystemFlags() const {
  static const std::pair<TOpenOption, DWORD> kFlags[] = {
      {ofOverwritePrompt, OFN_OVERWRITEPROMPT},   {ofHideReadOnly, OFN_HIDEREADONLY},
      {ofPathMustExist, OFN_PATHMUSTEXIST},       {ofFileMustExist, OFN_FILEMUSTEXIST},
      {ofNoReadOnlyReturn, OFN_NOREADONLYRETURN}, {ofEnableSizing, OFN_ENABLESIZING},
      {ofDontAddToRecent, OFN_DONTADDTORECENT},
  };
  DWORD flags = OFN_EXPLORER;
  for (const auto& [option, flag] : kFlags) {
    if (options_.Contains(option))
      flags |= flag;
  }
  return flags;
}

bool TOpenDialog::RunFileDialog(BOOL(WINAPI* run)(LPOPENFILENAMEA)) {
  // Room for a long path or a multiple selection; a longer one fails.
  std::vector<char> file(std::max<size_t>(32768, fileName_.size() + 1), '\0');
  std::copy(fileName_.begin(), fileName_.end(), file.begin());
  const std::string filter = FilterList();
  const std::string defaultExt =
      defaultExt_.empty() || defaultExt_[0] != '.' ? defaultExt_ : defaultExt_.substr(1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = OwnerWindow();
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.data();
  ofn.nFilterIndex = static_cast<DWORD>(EffectiveFilterIndex());
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = OrNull(initialDir_);
  ofn.lpstrTitle = OrNull(title_);
  ofn.lpstrDefExt = OrNull(defaultExt);
  ofn.Flags = SystemFlags();
  if (!run(&ofn))
    return false;
  fileName_ = file.data();
  filterIndex_ = static_cast<int>(ofn.nFilterIndex);
  return true;
}

bool TOpenDialog::RunSystemDialog() {
  return RunFileDialog(GetOpenFileNameA);
}

bool TOpenDialog::Execute() {
  return RunExecutor(dkOpen, this, [this] { return RunSystemDialog(); });
}

bool TSaveDialog::RunSystemDialog() {
  return RunFileDialog(GetSaveFileNameA);
}

bool TSaveDialog::Execute() {
  return RunExecutor(dkSave, this, [this] { return RunSystemDialog(); });
}

// ---- TColorDialog ----------------------------------------------------------------------------

void TColorDialog::Publish(TPublisher<TColorDialog>& p) {
  p.Property("Color", &TColorDialog::Color, &TColorDialog::SetColor, ColorIdents());
  p.Property("CustomColors", &TColorDialog::CustomColors, &TColorDialog::SetCustomColors);
  p.Property("Options", &TColorDialog::Options, &TColorDialog::SetOptions);
}

TColorDialog::TColorDialog(TComponent* owner)
    : TCommonDialog(owner), customColors_(Create<TStringList>()) {}

bool TColorDialog::Execute() {
  return RunExecutor(dkColor, this, [this] { return RunSystemDialog(); });
}

bool TColorDialog::RunSystemDialog() {
  // "ColorX=RRGGBB"; a missing or malformed entry is white.
  COLORREF custom[16];
  for (int i = 0; i < 16; ++i) {
    const std::string value = customColors_->Values(std::string("Color") + kColorNames[i]);
    const int rgb = value.size() == 6 ? StrToIntDef("$" + value, -1) : -1;
    custom[i] = rgb < 0 ? RGB(255, 255, 255) : RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
  }
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof(cc);
  cc.hwndOwner = OwnerWindow();
  cc.rgbResult = static_cast<COLORREF>(ColorToRGB(color_));
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | (options_.Contains(cdFullOpen) ? CC_FULLOPEN : 0) |
             (options_.Contains(cdAnyColor) ? CC_ANYCOLOR : 0);
  if (!ChooseColorA(&cc))
    return false;
  color_ = static_cast<TColor>(cc.rgbResult);
  TStringsUpdate update(*customColors_);
  customColors_->Clear();
  for (int i = 0; i < 16; ++i) {
    const COLORREF c = custom[i];
    const uint32_t rgb = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    customColors_->Add(std::string("Color") + kColorNames[i] + "=" + IntToHex(rgb, 6));
  }
  return true;
}

void RegisterDialogClasses() {
  for (const TMetaClass* meta :
       {&TOpenDialog::StaticClass(), &TSaveDialog::StaticClass(), &TColorDialog::StaticClass()})
    RegisterClass(*meta);
}
