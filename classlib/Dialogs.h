// The common dialogs: open, save and colour. Each kind runs through a
// replaceable executor, so tests can stand in for the user.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "StringList.h"
#include "TypInfo.h"
#include "Win.h"

#include <commdlg.h>

#include <functional>
#include <string>

class TCommonDialog : public TComponent {
  VEL_CLASS(TCommonDialog, TComponent)
 public:
  using TComponent::TComponent;
  // True when the user chose; cancel or any failure leaves the values as
  // they were and gives false.
  virtual bool Execute() = 0;

 protected:
  // The active form's window, else the application's.
  static HWND OwnerWindow();
};

enum TOpenOption {
  ofOverwritePrompt,
  ofHideReadOnly,
  ofPathMustExist,
  ofFileMustExist,
  ofNoReadOnlyReturn,
  ofEnableSizing,
  ofDontAddToRecent,
};
using TOpenOptions = TSet<TOpenOption>;
VEL_ENUM_TYPE(TOpenOption);

class TOpenDialog : public TCommonDialog {
  VEL_CLASS(TOpenDialog, TCommonDialog)
 public:
  using TCommonDialog::TCommonDialog;

  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(const std::string& value) { defaultExt_ = value; }
  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& value) { fileName_ = value; }
  // "Text files|*.txt|All files|*.*"; an unpaired last part is dropped.
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& value) { filter_ = value; }
  // 1-based; read back after the dialog.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int value) { filterIndex_ = value; }
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(const std::string& value) { initialDir_ = value; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions value) { options_ = value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }

  bool Execute() override;

  // The filter as the system dialog takes it: description and pattern pairs,
  // each ended by a zero, the list by another.
  std::string FilterList() const;
  // FilterIndex, or 1 when it names no filter.
  int EffectiveFilterIndex() const;
  // The system's OFN_ flags for Options, OFN_EXPLORER included.
  DWORD SystemFlags() const;

 protected:
  // Runs the system dialog for this object.
  virtual bool RunSystemDialog();
  bool RunFileDialog(BOOL(WINAPI* run)(LPOPENFILENAMEA));

 private:
  static void Publish(TPublisher<TOpenDialog>& p);

  std::string defaultExt_;
  std::string fileName_;
  std::string filter_;
  int filterIndex_ = 1;
  std::string initialDir_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
  std::string title_;
};

class TSaveDialog : public TOpenDialog {
  VEL_CLASS(TSaveDialog, TOpenDialog)
 public:
  using TOpenDialog::TOpenDialog;
  bool Execute() override;

 protected:
  bool RunSystemDialog() override;
};

enum TColorDialogOption { cdFullOpen, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption>;
VEL_ENUM_TYPE(TColorDialogOption);

class TColorDialog : public TCommonDialog {
  VEL_CLASS(TColorDialog, TCommonDialog)
 public:
  explicit TColorDialog(TComponent* owner);

  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  // "ColorA=RRGGBB" up to "ColorP=RRGGBB"; the dialog reads and writes them.
  TStrings* CustomColors() const { return customColors_.get(); }
  void SetCustomColors(TStrings* value) { customColors_->Assign(value); }
  TColorDialogOptions Options() const { return options_; }
  void SetOptions(TColorDialogOptions value) { options_ = value; }

  bool Execute() override;

 protected:
  virtual bool RunSystemDialog();

 private:
  static void Publish(TPublisher<TColorDialog>& p);

  TColor color_ = clBlack;
  TOwned<TStringList> customColors_;
  TColorDialogOptions options_;
};

// Who answers a dialog of each kind: the default runs the system dialog. An
// executor gets the dialog object, may set its FileName, FilterIndex or
// Color, and returns the result.
enum TDialogKind { dkOpen, dkSave, dkColor };
using TDialogExecutor = std::function<bool(TCommonDialog* dialog)>;
// An empty executor restores the system dialog.
void SetDialogExecutor(TDialogKind kind, TDialogExecutor executor);

// Makes the dialog classes known to FindClass (form data).
void RegisterDialogClasses();
