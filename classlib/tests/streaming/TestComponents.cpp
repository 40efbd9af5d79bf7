#include "TestComponents.h"

#include "Reader.h"

VEL_ENUM_TYPE_IMPL(TTestAlign, "taNone", "taLeft", "taClient")
VEL_ENUM_TYPE_IMPL(TTestStyle, "tsBold", "tsItalic", "tsUnderline")

std::vector<std::string>& LoadedLog() {
  static std::vector<std::string> log;
  return log;
}

namespace {

const TIntegerIdents& TestColors() {
  static const TIntegerIdents colors{{"clRed", 0x0000FF}, {"clBtnFace", 0x8000000F}};
  return colors;
}

}  // namespace

VEL_CLASS_IMPL(TTestFont, TPersistent)

void TTestFont::Publish(TPublisher<TTestFont>& p) {
  p.Property("Size", &TTestFont::Size, &TTestFont::SetSize);
  p.Property("Color", &TTestFont::Color, &TTestFont::SetColor, TestColors());
  p.Property("Style", &TTestFont::Style, &TTestFont::SetStyle);
}

VEL_COLLECTION_ITEM_IMPL(TTestItem, TCollectionItem)

void TTestItem::Publish(TPublisher<TTestItem>& p) {
  p.Property("Text", &TTestItem::Text, &TTestItem::SetText);
  p.Property("Width", &TTestItem::Width, &TTestItem::SetWidth);
  p.Property("Target", &TTestItem::Target, &TTestItem::SetTarget);
  p.Event("OnClick", &TTestItem::OnClick);
}

VEL_COMPONENT_IMPL(TTestComponent, TComponent)

TTestComponent::TTestComponent(TComponent* owner)
    : TComponent(owner),
      font_(new TTestFont),
      lines_(new TStringList),
      items_(new TCollection(TTestItem::StaticItemClass(), this)) {}

TTestComponent::~TTestComponent() {
  font_->Free();
  lines_->Free();
  items_->Free();
}

void TTestComponent::Publish(TPublisher<TTestComponent>& p) {
  p.Property("Number", &TTestComponent::Number, &TTestComponent::SetNumber);
  p.Property("Letter", &TTestComponent::Letter, &TTestComponent::SetLetter);
  p.Property("WideLetter", &TTestComponent::WideLetter, &TTestComponent::SetWideLetter);
  p.Property("Align", &TTestComponent::Align, &TTestComponent::SetAlign);
  p.Property("Enabled", &TTestComponent::Enabled, &TTestComponent::SetEnabled);
  p.Property("Caption", &TTestComponent::Caption, &TTestComponent::SetCaption);
  p.Property("Hint", &TTestComponent::Hint, &TTestComponent::SetHint);
  p.Property("Font", &TTestComponent::Font);
  p.Property("Lines", &TTestComponent::Lines);
  p.Property("Items", &TTestComponent::Items);
  p.Property("Buddy", &TTestComponent::Buddy, &TTestComponent::SetBuddy);
  p.Event("OnClick", &TTestComponent::OnClick);
  p.Event("OnMessage", &TTestComponent::OnMessage);
}

void TTestComponent::SetCaption(const std::string& s) {
  caption_ = s;
  stateAtCaption_ = ComponentState();
}

void TTestComponent::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineProperty("OldCaption", Method<&TTestComponent::ReadOldCaption>(this), nullptr, false);
  filer.DefineProperty("Blob", Method<&TTestComponent::ReadBlob>(this), nullptr, !blob_.empty());
}

void TTestComponent::ReadOldCaption(TReader& reader) {
  SetCaption("old:" + reader.ReadString());
}

void TTestComponent::ReadBlob(TReader& reader) {
  blob_ = reader.ReadBinary();
}

void TTestComponent::Loaded() {
  TComponent::Loaded();
  LoadedLog().push_back(Name() + (ComponentState().Contains(csLoading) ? "+loading" : ""));
}

VEL_COMPONENT_IMPL(TTestPanel, TTestComponent)

VEL_COMPONENT_IMPL(TTestForm, TTestComponent)

void TTestForm::Publish(TPublisher<TTestForm>& p) {
  p.Field<&TTestForm::First>("First");
  p.Field<&TTestForm::Panel>("Panel");
  p.Method<&TTestForm::FirstClick>("FirstClick");
  p.Method<&TTestForm::FormMessage>("FormMessage");
}

void TTestForm::FirstClick(TObject* sender) {
  clicks.push_back(static_cast<TComponent*>(sender)->Name());
}

void TTestForm::FormMessage(TObject*, const std::string& text) {
  clicks.push_back(text);
}

void RegisterTestClasses() {
  RegisterClass(TComponent::StaticClass());
  RegisterClass(TTestComponent::StaticClass());
  RegisterClass(TTestPanel::StaticClass());
  RegisterClass(TTestForm::StaticClass());
}
