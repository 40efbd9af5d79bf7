// The smallest and largest size a control may take.
#pragma once

#include "Classes.h"
#include "TypInfo.h"

// Smallest and largest size of a control; 0 is no limit.
class TSizeConstraints : public TPersistent {
  VEL_CLASS(TSizeConstraints, TPersistent)
 public:
  int MinWidth() const { return minWidth_; }
  void SetMinWidth(int v) { Update(minWidth_, v); }
  int MinHeight() const { return minHeight_; }
  void SetMinHeight(int v) { Update(minHeight_, v); }
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int v) { Update(maxWidth_, v); }
  int MaxHeight() const { return maxHeight_; }
  void SetMaxHeight(int v) { Update(maxHeight_, v); }

  // width and height brought within the limits.
  void Apply(int& width, int& height) const;
  void Assign(TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  static void Publish(TPublisher<TSizeConstraints>& p);
  void Update(int& field, int value);

  int minWidth_ = 0;
  int minHeight_ = 0;
  int maxWidth_ = 0;
  int maxHeight_ = 0;
};
