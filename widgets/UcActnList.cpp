#include "UcActnList.h"

#include "TypInfo.h"
#include "UcClasses.h"
#include "UcControls.h"

VEL_CLASS_IMPL(TCustomActionHelper, TComponent)
VEL_COMPONENT_IMPL(TUcAction, TAction)
VEL_COMPONENT_IMPL(TUcHintAction, THintAction)
VEL_COMPONENT_IMPL(TUcActionList, TActionList)
VEL_ACTION_LINK_IMPL(TUcControlActionLink, TControlActionLink)
VEL_ACTION_LINK_IMPL(TUcWinControlActionLink, TWinControlActionLink)
VEL_ACTION_LINK_IMPL(TUcButtonActionLink, TButtonActionLink)
VEL_ACTION_LINK_IMPL(TUcToolButtonActionLink, TToolButtonActionLink)

namespace {

constexpr char kUnit[] = "widgets/UcActnList";

// Caption and hint go the same way; this names one of them.
struct TActionTextKind {
  TWideActionText TCustomActionHelper::*State;
  const std::string& (TCustomAction::*Get)() const;
  void (TCustomAction::*Set)(const std::string&);
};

constexpr TActionTextKind kCaption{&TCustomActionHelper::Caption, &TCustomAction::Caption,
                                   &TCustomAction::SetCaption};
constexpr TActionTextKind kHint{&TCustomActionHelper::Hint, &TCustomAction::Hint,
                                &TCustomAction::SetHint};

// The text as read before the running change, the changed one meanwhile.
std::wstring GetWideActionText(TCustomAction* action, const TActionTextKind& kind) {
  TCustomActionHelper* helper = FindWideActionHelper(action);
  const std::string& ansi = (action->*kind.Get)();
  if (!helper)
    return AnsiToWide(ansi);
  TWideActionText& text = helper->*kind.State;
  if (text.Setting && ansi != text.PendingAnsi)
    return text.Previous;
  return GetPairedWideText(text.Wide, ansi);
}

// Setting is true for the duration of one change, whatever a client raises.
class TSettingScope {
 public:
  explicit TSettingScope(TWideActionText& text) : text_(text) { text_.Setting = true; }
  ~TSettingScope() { text_.Setting = false; }
  TSettingScope(const TSettingScope&) = delete;
  TSettingScope& operator=(const TSettingScope&) = delete;

 private:
  TWideActionText& text_;
};

// The class library's setter: links first, then the value is stored, then
// Change.
void SetAnsiActionText(TCustomAction* action, const TActionTextKind& kind, TWideActionText& text,
                       const std::string& value) {
  (action->*kind.Set)(value);
  if (value.empty() && !text.PendingAnsi.empty())
    text.Previous.clear();
}

void SetWideActionText(TCustomAction* action, const TActionTextKind& kind,
                       const std::wstring& value) {
  TCustomActionHelper* helper = FindWideActionHelper(action);
  const std::string ansiValue = WideToAnsi(value);
  if (!helper) {
    (action->*kind.Set)(ansiValue);
    return;
  }
  TWideActionText& text = helper->*kind.State;
  const std::wstring previous = GetWideActionText(action, kind);
  const TSettingScope scope(text);
  text.Previous = previous;
  text.PendingAnsi = ansiValue;
  const std::string& ansi = (action->*kind.Get)();
  if (value == GetPairedWideText(text.Wide, ansi))
    return;
  // The 8-bit text alone would not change (two texts with one 8-bit form, or
  // a text replaced by its own 8-bit form): the links and Change would never
  // hear of the new text.
  if (ansiValue == ansi)
    SetAnsiActionText(action, kind, text, std::string());
  text.Wide = value;
  SetAnsiActionText(action, kind, text, ansiValue);
}

std::wstring WideActionTextForLink(TCustomAction* action, const TActionTextKind& kind,
                                   const std::wstring& value) {
  if (!dynamic_cast<IWideAction*>(action))
    return value;
  TWideActionText& text = FindWideActionHelper(action)->*kind.State;
  if (text.Setting && (action->*kind.Get)() != text.PendingAnsi)
    return text.Wide;
  return value;
}

}  // namespace

// ---- The wide texts of an action ------------------------------------------------------

TCustomActionHelper::TCustomActionHelper(TCustomAction* action)
    : TComponent(action), action_(action) {}

TCustomActionHelper* FindWideActionHelper(TCustomAction* action) {
  Assert(action != nullptr, kUnit);
  if (!dynamic_cast<IWideAction*>(action))
    return nullptr;
  for (int i = 0; i < action->ComponentCount(); ++i) {
    if (auto* helper = dynamic_cast<TCustomActionHelper*>(action->Components(i)))
      return helper;
  }
  return Create<TCustomActionHelper>(action);
}

std::wstring GetWideActionCaption(TCustomAction* action) {
  return GetWideActionText(action, kCaption);
}

void SetWideActionCaption(TCustomAction* action, const std::wstring& value) {
  SetWideActionText(action, kCaption, value);
}

std::wstring GetWideActionHint(TCustomAction* action) {
  return GetWideActionText(action, kHint);
}

void SetWideActionHint(TCustomAction* action, const std::wstring& value) {
  SetWideActionText(action, kHint, value);
}

std::wstring WideActionCaptionForLink(TCustomAction* action, const std::wstring& value) {
  return WideActionTextForLink(action, kCaption, value);
}

std::wstring WideActionHintForLink(TCustomAction* action, const std::wstring& value) {
  return WideActionTextForLink(action, kHint, value);
}

void AssignWideActionText(TCustomAction* action, TPersistent* source) {
  std::wstring caption;
  std::wstring hint;
  if (auto* sourceAction = dynamic_cast<TCustomAction*>(source)) {
    caption = GetWideActionCaption(sourceAction);
    hint = GetWideActionHint(sourceAction);
  } else if (auto* control = dynamic_cast<TControl*>(source)) {
    caption = GetWideControlText(control);
    hint = GetWideControlHint(control);
  } else {
    return;
  }
  action->TCustomAction::SetCaption(WideToAnsi(caption));
  action->TCustomAction::SetHint(WideToAnsi(hint));
}

// ---- Wide actions ---------------------------------------------------------------------

void TUcAction::DefineProperties(TFiler& filer) {
  TAction::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcAction::Assign(TPersistent* source) {
  TAction::Assign(source);
  AssignWideActionText(this, source);
}

void TUcAction::Publish(TPublisher<TUcAction>& p) {
  p.Property("Caption", &TUcAction::Caption, &TUcAction::SetCaption);
  p.Property("Hint", &TUcAction::Hint, &TUcAction::SetHint);
}

void TUcHintAction::DefineProperties(TFiler& filer) {
  THintAction::DefineProperties(filer);
  DefineWidePersistentProperties(filer, this);
}

void TUcHintAction::Assign(TPersistent* source) {
  THintAction::Assign(source);
  AssignWideActionText(this, source);
}

void TUcHintAction::Publish(TPublisher<TUcHintAction>& p) {
  p.Property("Hint", &TUcHintAction::Hint, &TUcHintAction::SetHint);
}

// ---- Links of wide controls -------------------------------------------------------------

template <typename Base>
bool TWideControlActionLink<Base>::IsCaptionLinked() {
  return Base::IsCaptionLinked() &&
         GetWideActionCaption(this->CustomAction()) == GetWideControlText(this->Client());
}

template <typename Base>
bool TWideControlActionLink<Base>::IsHintLinked() {
  return Base::IsHintLinked() &&
         GetWideActionHint(this->CustomAction()) == GetWideControlHint(this->Client());
}

template <typename Base>
void TWideControlActionLink<Base>::SetCaption(const std::string& value) {
  if (IsCaptionLinked())
    SetWideControlText(this->Client(),
                       WideActionCaptionForLink(this->CustomAction(), AnsiToWide(value)));
}

template <typename Base>
void TWideControlActionLink<Base>::SetHint(const std::string& value) {
  if (IsHintLinked())
    SetWideControlHint(this->Client(),
                       WideActionHintForLink(this->CustomAction(), AnsiToWide(value)));
}

template class TWideControlActionLink<TControlActionLink>;
template class TWideControlActionLink<TWinControlActionLink>;
template class TWideControlActionLink<TButtonActionLink>;
template class TWideControlActionLink<TToolButtonActionLink>;

const TMetaClass* GetWideActionLinkClass(const TControl* control, const TMetaClass* inherited) {
  const TMetaClass* result = &TUcControlActionLink::StaticClass();
  if (dynamic_cast<const TToolButton*>(control)) {
    result = &TUcToolButtonActionLink::StaticClass();
  } else if (dynamic_cast<const TButtonControl*>(control)) {
    result = &TUcButtonActionLink::StaticClass();
  } else if (dynamic_cast<const TWinControl*>(control)) {
    result = &TUcWinControlActionLink::StaticClass();
  }
  Assert(result->Parent() == inherited, kUnit);
  return result;
}

void WideActionChange(TControl* control, TObject* sender, bool checkDefaults) {
  auto* action = dynamic_cast<TCustomAction*>(sender);
  if (!action || !dynamic_cast<IWideAction*>(action))
    return;
  const std::wstring text = GetWideControlText(control);
  if (!checkDefaults || text.empty() || text == AnsiToWide(control->Name()))
    SetWideControlText(control, GetWideActionCaption(action));
  if (!checkDefaults || GetWideControlHint(control).empty())
    SetWideControlHint(control, GetWideActionHint(action));
}

void RegisterUcActionClasses() {
  for (const TMetaClass* meta :
       {&TUcAction::StaticClass(), &TUcHintAction::StaticClass(), &TUcActionList::StaticClass()})
    RegisterClass(*meta);
}
