// Panels, images and timers.
#pragma once

#include "Controls.h"
#include "Graphics.h"

#include <string>

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
VEL_ENUM_TYPE(TBevelCut);

// A container that paints bevels and a one-line caption on its own
// registered window class.
class TCustomPanel : public TCustomControl {
  VEL_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* owner);
  void AfterConstruction() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value) { SetAndInvalidate(alignment_, value); }
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value) { SetAndInvalidate(bevelInner_, value); }
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value) { SetAndInvalidate(bevelOuter_, value); }
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value) { SetAndInvalidate(bevelWidth_, value); }
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value) { SetAndInvalidate(borderWidth_, value); }
  // With themes, the parent's background shows through the panel.
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool value) { SetAndInvalidate(parentBackground_, value); }

  void Dispatch(TMessage& message) override;

 protected:
  void Paint() override;

 private:
  void PaintBevel(TRect& r, TBevelCut cut);
  // Themed with ParentBackground: the erase shows the parent's background
  // and Paint leaves it alone; otherwise Paint fills everything.
  bool ShowsParentBackground() const;

  TAlignment alignment_ = taCenter;
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  bool parentBackground_ = true;
};

class TPanel : public TCustomPanel {
  VEL_CLASS(TPanel, TCustomPanel)
  static void Publish(TPublisher<TPanel>& p);

 public:
  using TCustomPanel::TCustomPanel;
};

// A windowless picture: at the origin, centred, or stretched to the bounds.
class TImage : public TGraphicControl {
  VEL_CLASS(TImage, TGraphicControl)
  static void Publish(TPublisher<TImage>& p);

 public:
  explicit TImage(TComponent* owner);
  void AfterConstruction() override;

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* value) { picture_->Assign(value); }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  // A bitmap resource of the program, loaded in Loaded or when set at run
  // time; a name without a resource raises EResNotFound.
  const std::string& PictureResource() const { return pictureResource_; }
  void SetPictureResource(const std::string& value);

 protected:
  void Paint() override;
  void Loaded() override;

 private:
  void PictureChanged(TObject* sender);
  void LoadPictureResource();
  // Where the picture goes in the client area.
  TRect DestRect() const;

  TOwned<TPicture> picture_;
  bool autoSize_ = false;
  bool center_ = false;
  bool stretch_ = false;
  std::string pictureResource_;
};

// Ticks on the main thread through WM_TIMER to a hidden window of its own, so
// message boxes and modal loops keep it going. Armed only while Enabled, with
// Interval > 0 and OnTimer assigned, and never while its form is read.
class TTimer : public TComponent {
  VEL_CLASS(TTimer, TComponent)
  static void Publish(TPublisher<TTimer>& p);

 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; 0 or less arms nothing.
  int Interval() const { return interval_; }
  void SetInterval(int value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  void SetOnTimer(const TNotifyEvent& value);

 protected:
  virtual void Timer();
  void Loaded() override;

 private:
  void UpdateTimer();
  void WndProc(TMessage& m);

  HWND window_ = nullptr;
  bool enabled_ = true;
  int interval_ = 1000;
  TNotifyEvent onTimer_;
};

// Makes the classes above known to FindClass (form data).
void RegisterExtCtrlsClasses();
