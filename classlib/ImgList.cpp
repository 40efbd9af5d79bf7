#include "ImgList.h"

#include "Streams.h"
#include "System.h"
#include "TypInfo.h"

#include <algorithm>

VEL_CLASS_IMPL(TChangeLink, TObject)
VEL_CLASS_IMPL(TCustomImageList, TComponent)
VEL_COMPONENT_IMPL(TImageList, TCustomImageList)

namespace {

TColor PixelColor(const uint8_t* bgr) {
  return static_cast<TColor>(bgr[2]) | static_cast<TColor>(bgr[1]) << 8 |
         static_cast<TColor>(bgr[0]) << 16;
}

void SetMaskBit(uint8_t* row, int x, bool transparent) {
  const uint8_t bit = static_cast<uint8_t>(0x80u >> (x % 8));
  if (transparent)
    row[x / 8] |= bit;
  else
    row[x / 8] &= static_cast<uint8_t>(~bit);
}

TOwned<TBitmap> NewBitmap(int width, int height, TPixelFormat format) {
  TOwned<TBitmap> bitmap(Create<TBitmap>());
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  return bitmap;
}

// The native list wants a colour image that is black where it is
// transparent, and a 1-bit mask that is white there.
struct TMaskedImage {
  TOwned<TBitmap> Image;
  TOwned<TBitmap> Mask;
};

// Splits source by colour: pixels for which isTransparent(x, y) holds become
// transparent; the others go through paint (BGR in place).
template <typename IsTransparent, typename Paint>
TMaskedImage SplitImage(TBitmap* source, IsTransparent isTransparent, Paint paint) {
  TMaskedImage result{TOwned<TBitmap>(Create<TBitmap>()),
                      NewBitmap(source->Width(), source->Height(), pf1bit)};
  result.Image->Assign(source);
  result.Image->SetPixelFormat(pf24bit);
  for (int y = 0; y < source->Height(); ++y) {
    uint8_t* pixels = result.Image->ScanLine(y);
    uint8_t* mask = result.Mask->ScanLine(y);
    for (int x = 0; x < source->Width(); ++x) {
      uint8_t* bgr = pixels + 3 * x;
      const bool transparent = isTransparent(x, y, bgr);
      SetMaskBit(mask, x, transparent);
      if (transparent)
        bgr[0] = bgr[1] = bgr[2] = 0;
      else
        paint(bgr);
    }
  }
  return result;
}

TMaskedImage SplitByColor(TBitmap* source, TColor maskColor) {
  const TColor key = ColorToRGB(maskColor);
  return SplitImage(
      source, [key](int, int, const uint8_t* bgr) { return PixelColor(bgr) == key; },
      [](uint8_t*) {});
}

// A light grey of the pixel's brightness, as disabled pictures look.
void Greyed(uint8_t* bgr) {
  const int brightness = (bgr[2] * 30 + bgr[1] * 59 + bgr[0] * 11) / 100;
  bgr[0] = bgr[1] = bgr[2] = static_cast<uint8_t>(128 + brightness / 2);
}

// Owns a native list made for one drawing.
struct TNativeList {
  HIMAGELIST Handle;
  explicit TNativeList(HIMAGELIST handle) : Handle(handle) {}
  TNativeList(const TNativeList&) = delete;
  TNativeList& operator=(const TNativeList&) = delete;
  ~TNativeList() {
    if (Handle)
      ImageList_Destroy(Handle);
  }
};

constexpr UINT kListFlags = ILC_COLOR24 | ILC_MASK;

}  // namespace

// ---- TChangeLink ------------------------------------------------------------------

TChangeLink::~TChangeLink() {
  SetSender(nullptr);
}

void TChangeLink::SetSender(TCustomImageList* list) {
  if (list == sender_)
    return;
  if (sender_)
    sender_->UnRegisterChanges(this);
  if (list)
    list->RegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange)
    OnChange(sender_);
}

bool ChangeLinkedImages(TComponent* user, TChangeLink& link, TCustomImageList* list) {
  TCustomImageList* old = link.Sender();
  if (list == old)
    return false;
  if (old)
    old->RemoveFreeNotification(user);
  link.SetSender(list);
  if (list)
    list->FreeNotification(user);
  return true;
}

// ---- TCustomImageList --------------------------------------------------------------

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

TCustomImageList::~TCustomImageList() {
  FreeHandle();
}

void TCustomImageList::BeforeDestruction() {
  // Users told of the end below must find no list behind their link.
  const std::vector<TChangeLink*> links = links_;
  for (TChangeLink* link : links)
    UnRegisterChanges(link);
  TComponent::BeforeDestruction();
}

HIMAGELIST TCustomImageList::Handle() {
  if (!handle_) {
    handle_ = ImageList_Create(width_, height_, kListFlags, 0, 4);
    if (!handle_)
      throw EOutOfResources("Out of system resources");
  }
  return handle_;
}

void TCustomImageList::FreeHandle() {
  if (handle_)
    ImageList_Destroy(handle_);
  handle_ = nullptr;
}

void TCustomImageList::SetWidth(int value) {
  SetSize(width_, value);
}

void TCustomImageList::SetHeight(int value) {
  SetSize(height_, value);
}

void TCustomImageList::SetSize(int& field, int value) {
  value = std::max(value, 1);
  if (field == value)
    return;
  field = value;
  FreeHandle();
  Change();
}

int TCustomImageList::Count() const {
  return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

void TCustomImageList::Clear() {
  if (!handle_)
    return;
  FreeHandle();
  Change();
}

int TCustomImageList::AddPair(TBitmap* image, TBitmap* mask) {
  if (!image || image->Empty())
    return -1;
  return ImageList_Add(Handle(), image->Handle(), mask ? mask->Handle() : nullptr);
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) {
  const int index = AddPair(image, mask);
  if (index >= 0)
    Change();
  return index;
}

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) {
  if (!image || image->Empty())
    return -1;
  const TMaskedImage split = SplitByColor(image, maskColor);
  return Add(split.Image.get(), split.Mask.get());
}

void TCustomImageList::ReplaceMasked(int index, TBitmap* image, TColor maskColor) {
  if (index < 0 || index >= Count())
    throw EInvalidOperation("Invalid image list index");
  if (!image || image->Empty())
    return;
  const TMaskedImage split = SplitByColor(image, maskColor);
  if (!ImageList_Replace(handle_, index, split.Image->Handle(), split.Mask->Handle()))
    throw EInvalidOperation("Failed to replace image");
  Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  if (!canvas || index < 0 || index >= Count())
    return;
  if (!enabled) {
    DrawGreyed(canvas, x, y, index);
    return;
  }
  ImageList_Draw(handle_, index, canvas->Handle(), x, y, ILD_NORMAL);
}

TOwned<TBitmap> TCustomImageList::DrawnOn(TColor background, int index) {
  TOwned<TBitmap> bitmap = NewBitmap(width_, height_, pf24bit);
  bitmap->Canvas()->Brush()->SetColor(background);
  bitmap->Canvas()->FillRect(TRect(0, 0, width_, height_));
  ImageList_Draw(handle_, index, bitmap->Canvas()->Handle(), 0, 0, ILD_NORMAL);
  return bitmap;
}

void TCustomImageList::DrawGreyed(TCanvas* canvas, int x, int y, int index) {
  // Drawn once on white and once on black: where the two differ the
  // background shows through, so that is where the image is transparent.
  TOwned<TBitmap> onWhite = DrawnOn(clWhite, index);
  TOwned<TBitmap> onBlack = DrawnOn(clBlack, index);
  TBitmap* black = onBlack.get();
  const TMaskedImage split = SplitImage(
      onWhite.get(),
      [black](int px, int py, const uint8_t* bgr) {
        return PixelColor(bgr) != PixelColor(black->ScanLine(py) + 3 * px);
      },
      Greyed);
  TNativeList greyed(ImageList_Create(width_, height_, kListFlags, 1, 1));
  if (!greyed.Handle)
    return;
  ImageList_Add(greyed.Handle, split.Image->Handle(), split.Mask->Handle());
  ImageList_Draw(greyed.Handle, 0, canvas->Handle(), x, y, ILD_NORMAL);
}

void TCustomImageList::Assign(TPersistent* source) {
  auto* list = dynamic_cast<TCustomImageList*>(source);
  if (!list) {
    TComponent::Assign(source);
    return;
  }
  if (list == this)
    return;
  FreeHandle();
  width_ = list->width_;
  height_ = list->height_;
  if (list->Count() > 0) {
    handle_ = ImageList_Duplicate(list->handle_);
    if (!handle_)
      throw EOutOfResources("Out of system resources");
  }
  Change();
}

void TCustomImageList::SetResourceName(const std::string& value) {
  if (value == resourceName_)
    return;
  resourceName_ = value;
  if (!ComponentState().Contains(csLoading))
    LoadStrip();
}

void TCustomImageList::SetMaskColor(TColor value) {
  if (value == maskColor_)
    return;
  maskColor_ = value;
  if (!ComponentState().Contains(csLoading) && !resourceName_.empty())
    LoadStrip();
}

void TCustomImageList::Loaded() {
  TComponent::Loaded();
  if (!resourceName_.empty())
    LoadStrip();
}

void TCustomImageList::LoadStrip() {
  FreeHandle();
  if (!resourceName_.empty()) {
    // A missing picture is a build fault: say which one at once.
    if (!FindResourceA(HInstance(), resourceName_.c_str(), MAKEINTRESOURCEA(2)))
      throw EResNotFound(Format("Resource %s not found", resourceName_));
    TOwned<TBitmap> strip(Create<TBitmap>());
    strip->LoadFromResourceName(HInstance(), resourceName_);
    const TColor mask = maskColor_ == StripCornerColor
                            ? strip->Canvas()->Pixels(0, strip->Height() - 1)
                            : maskColor_;
    const TMaskedImage split = SplitByColor(strip.get(), mask);
    AddPair(split.Image.get(), split.Mask.get());
  }
  Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (!link || link->sender_ == this)
    return;
  if (link->sender_)
    link->sender_->UnRegisterChanges(link);
  link->sender_ = this;
  links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  auto it = std::find(links_.begin(), links_.end(), link);
  if (it == links_.end())
    return;
  links_.erase(it);
  link->sender_ = nullptr;
}

void TCustomImageList::Change() {
  // A user may drop its link while hearing of the change.
  const std::vector<TChangeLink*> links = links_;
  for (TChangeLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) != links_.end())
      link->Change();
  }
  if (OnChange)
    OnChange(this);
}

// ---- TImageList ----------------------------------------------------------------------

void TImageList::Publish(TPublisher<TImageList>& p) {
  p.Property("Height", &TImageList::Height, &TImageList::SetHeight);
  p.Property("MaskColor", &TImageList::MaskColor, &TImageList::SetMaskColor, ColorIdents());
  p.Property("ResourceName", &TImageList::ResourceName, &TImageList::SetResourceName);
  p.Property("Width", &TImageList::Width, &TImageList::SetWidth);
}

void RegisterImageListClasses() {
  RegisterClass(TImageList::StaticClass());
}
