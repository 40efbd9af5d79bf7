// Non-visual components that publish one property of every kind, for the
// reader tests.
#pragma once

#include "Collections.h"
#include "StringList.h"
#include "TypInfo.h"

#include <string>
#include <vector>

enum TTestAlign { taNone, taLeft, taClient };
enum TTestStyle { tsBold, tsItalic, tsUnderline };
VEL_ENUM_TYPE(TTestAlign);
VEL_ENUM_TYPE(TTestStyle);
using TTestStyles = TSet<TTestStyle>;

// What the tests look at after a load: Loaded calls, in order.
std::vector<std::string>& LoadedLog();

// A sub-object in the manner of a font.
class TTestFont : public TPersistent {
  VEL_CLASS(TTestFont, TPersistent)
  static void Publish(TPublisher<TTestFont>& p);

 public:
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  uint32_t Color() const { return color_; }
  void SetColor(uint32_t color) { color_ = color; }
  TTestStyles Style() const { return style_; }
  void SetStyle(TTestStyles style) { style_ = style; }

 private:
  int size_ = 8;
  uint32_t color_ = 0;
  TTestStyles style_;
};

class TTestItem : public TCollectionItem {
  VEL_COLLECTION_ITEM(TTestItem, TCollectionItem)
  static void Publish(TPublisher<TTestItem>& p);

 public:
  using TCollectionItem::TCollectionItem;
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text) { text_ = text; }
  int Width() const { return width_; }
  void SetWidth(int width) { width_ = width; }
  // An item may refer to a component, resolved like any other reference.
  TComponent* Target() const { return target_; }
  void SetTarget(TComponent* target) { target_ = target; }
  TNotifyEvent OnClick;

 private:
  std::string text_;
  int width_ = 50;
  TComponent* target_ = nullptr;
};

using TTestMessageEvent = TClosure<void(TObject* sender, const std::string& text)>;

class TTestComponent : public TComponent {
  VEL_CLASS(TTestComponent, TComponent)
  static void Publish(TPublisher<TTestComponent>& p);

 public:
  explicit TTestComponent(TComponent* owner);
  ~TTestComponent() override;

  int Number() const { return number_; }
  // 13 is refused, as a setter of the library refuses a bad value.
  void SetNumber(int n) {
    if (n == 13)
      throw EInvalidOperation("Number cannot be 13");
    number_ = n;
  }
  char Letter() const { return letter_; }
  void SetLetter(char c) { letter_ = c; }
  wchar_t WideLetter() const { return wideLetter_; }
  void SetWideLetter(wchar_t c) { wideLetter_ = c; }
  TTestAlign Align() const { return align_; }
  void SetAlign(TTestAlign a) { align_ = a; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool e) { enabled_ = e; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& s);
  const std::wstring& Hint() const { return hint_; }
  void SetHint(const std::wstring& s) { hint_ = s; }
  TTestFont* Font() const { return font_; }
  TStrings* Lines() const { return lines_; }
  TCollection* Items() const { return items_; }
  TTestComponent* Buddy() const { return buddy_; }
  void SetBuddy(TTestComponent* c) { buddy_ = c; }

  TNotifyEvent OnClick;
  TTestMessageEvent OnMessage;

  // The component states seen when Caption was set.
  TComponentState StateAtCaption() const { return stateAtCaption_; }
  // Bytes of the defined, unpublished "Blob" property.
  const std::vector<uint8_t>& Blob() const { return blob_; }
  // Defines "OldCaption" (an old name, read into Caption) and "Blob".
  void DefineProperties(TFiler& filer) override;

 protected:
  void Loaded() override;

 private:
  void ReadOldCaption(TReader& reader);
  void ReadBlob(TReader& reader);

  int number_ = 0;
  char letter_ = 0;
  wchar_t wideLetter_ = 0;
  TTestAlign align_ = taNone;
  bool enabled_ = true;
  std::string caption_;
  std::wstring hint_;
  TTestFont* font_;
  TStringList* lines_;
  TCollection* items_;
  TTestComponent* buddy_ = nullptr;
  TComponentState stateAtCaption_;
  std::vector<uint8_t> blob_;
};

// A component of a class the reader can create but that publishes nothing
// of its own; its children land on the parent it reports.
class TTestPanel : public TTestComponent {
  VEL_CLASS(TTestPanel, TTestComponent)

 public:
  using TTestComponent::TTestComponent;
  TComponent* ParentComponent() const { return parent_; }

 protected:
  void SetParentComponent(TComponent* parent) override { parent_ = parent; }

 private:
  TComponent* parent_ = nullptr;
};

// A form: the root that owns everything read, with published handlers and
// fields.
class TTestForm : public TTestComponent {
  VEL_CLASS(TTestForm, TTestComponent)
  static void Publish(TPublisher<TTestForm>& p);

 public:
  using TTestComponent::TTestComponent;

  TTestComponent* First = nullptr;
  TTestPanel* Panel = nullptr;
  std::vector<std::string> clicks;

  void FirstClick(TObject* sender);
  void FormMessage(TObject* sender, const std::string& text);
};

// Registers the classes above for FindClass.
void RegisterTestClasses();
