// Image lists: a row of equally sized images with masks, drawn by tool bars,
// menus and actions from one native image list.
//
// Users register a TChangeLink and hear of every change; the link also holds
// the list they use, so it is the one place that says which list that is.
// A list being destroyed cuts every link first and then sends its free
// notifications, so a user told of the list's end already finds no list.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "Win.h"

#include <commctrl.h>

#include <string>
#include <vector>

class TCustomImageList;

// What a user of an image list holds to hear of its changes.
class TChangeLink : public TObject {
  VEL_CLASS(TChangeLink, TObject)

 public:
  ~TChangeLink() override;

  // The list this link is registered with; null when none.
  TCustomImageList* Sender() const { return sender_; }
  // Registers with list (null: with none), leaving the former one.
  void SetSender(TCustomImageList* list);

  // Raised with the list as sender after each change of it.
  TNotifyEvent OnChange;
  virtual void Change();

 private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

// Moves user's images to list: the change link and the free notification go
// with it. False (and nothing done) when list already is the current one.
bool ChangeLinkedImages(TComponent* user, TChangeLink& link, TCustomImageList* list);

class TCustomImageList : public TComponent {
  VEL_CLASS(TCustomImageList, TComponent)

 public:
  // MaskColor's value while the strip's bottom-left pixel decides.
  static constexpr TColor StripCornerColor = 0x1FFFFFFF;

  explicit TCustomImageList(TComponent* owner);
  ~TCustomImageList() override;
  void BeforeDestruction() override;

  // ILC_COLOR24 | ILC_MASK, made on first use.
  HIMAGELIST Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  // Changing either clears the list.
  int Width() const { return width_; }
  void SetWidth(int value);
  int Height() const { return height_; }
  void SetHeight(int value);
  int Count() const;
  void Clear();

  // Images as wide as the list: a wider bitmap adds several. The index of
  // the first one added; -1 when nothing could be added.
  int Add(TBitmap* image, TBitmap* mask);
  // Pixels of maskColor become transparent. The bitmap stays as it was.
  int AddMasked(TBitmap* image, TColor maskColor);
  // Raises EInvalidOperation for an index outside the list.
  void ReplaceMasked(int index, TBitmap* image, TColor maskColor);
  // Transparent parts leave the canvas alone; a disabled image is drawn in
  // greys. An index outside the list draws nothing.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);

  // The size and every image of another list; an empty one empties this.
  void Assign(TPersistent* source) override;

  // A bitmap resource of the program cut into images Width wide. Loaded
  // when set at run time, or in Loaded when form data sets it.
  const std::string& ResourceName() const { return resourceName_; }
  void SetResourceName(const std::string& value);
  TColor MaskColor() const { return maskColor_; }
  void SetMaskColor(TColor value);

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  TNotifyEvent OnChange;

 protected:
  void Loaded() override;
  // Tells every link, then OnChange.
  virtual void Change();

 private:
  void SetSize(int& field, int value);
  void FreeHandle();
  void LoadStrip();
  int AddPair(TBitmap* image, TBitmap* mask);
  void DrawGreyed(TCanvas* canvas, int x, int y, int index);
  // Image index drawn on a bitmap of the list's size filled with background.
  TOwned<TBitmap> DrawnOn(TColor background, int index);

  HIMAGELIST handle_ = nullptr;
  int width_ = 16;
  int height_ = 16;
  std::string resourceName_;
  TColor maskColor_ = StripCornerColor;
  std::vector<TChangeLink*> links_;
};

// The image list that form data declares.
class TImageList : public TCustomImageList {
  VEL_CLASS(TImageList, TCustomImageList)
  static void Publish(TPublisher<TImageList>& p);

 public:
  using TCustomImageList::TCustomImageList;
};

// Makes the image list classes known to FindClass (form data).
void RegisterImageListClasses();
