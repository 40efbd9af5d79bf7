#include "SizeConstraints.h"

VEL_CLASS_IMPL(TSizeConstraints, TPersistent)

void TSizeConstraints::Publish(TPublisher<TSizeConstraints>& p) {
  p.Property("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight);
  p.Property("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth);
  p.Property("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight);
  p.Property("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth);
}

void TSizeConstraints::Update(int& field, int value) {
  if (field == value)
    return;
  field = value;
  if (OnChange)
    OnChange(this);
}

void TSizeConstraints::Apply(int& width, int& height) const {
  if (maxWidth_ > 0 && width > maxWidth_)
    width = maxWidth_;
  if (minWidth_ > 0 && width < minWidth_)
    width = minWidth_;
  if (maxHeight_ > 0 && height > maxHeight_)
    height = maxHeight_;
  if (minHeight_ > 0 && height < minHeight_)
    height = minHeight_;
}

void TSizeConstraints::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TSizeConstraints*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  const bool changed = minWidth_ != other->minWidth_ || minHeight_ != other->minHeight_ ||
                       maxWidth_ != other->maxWidth_ || maxHeight_ != other->maxHeight_;
  minWidth_ = other->minWidth_;
  minHeight_ = other->minHeight_;
  maxWidth_ = other->maxWidth_;
  maxHeight_ = other->maxHeight_;
  if (changed && OnChange)
    OnChange(this);
}
