// Published properties, methods and fields: what the component reader (and
// the wide layer's stream filers) know of a class beyond its name.
//
// A class publishes in its source file. The header declares one static
// function, anywhere in the class body:
//
//   enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
//   VEL_ENUM_TYPE(TFontStyle);
//   class TFont : public TPersistent {
//     VEL_CLASS(TFont, TPersistent)
//     static void Publish(TPublisher<TFont>& p);
//     ...
//   };
//
// and the source file lists the entries in declaration order:
//
//   VEL_ENUM_TYPE_IMPL(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
//   VEL_CLASS_IMPL(TFont, TPersistent)
//   void TFont::Publish(TPublisher<TFont>& p) {
//     p.Property("Name", &TFont::Name, &TFont::SetName);
//     p.Property("Style", &TFont::Style, &TFont::SetStyle);  // TSet<TFontStyle>
//     p.Property("Color", &TFont::Color, &TFont::SetColor, ColorIdents());
//     p.Event("OnChange", &TFont::OnChange);
//   }
//
// The kind of each property follows from its getter's type: integers, char,
// wchar_t, bool and enumerations (whose names come from VEL_ENUM_TYPE), TSet<E>,
// std::string, std::wstring, pointers to TObject classes and TClosure<...>.
// The inherited entries come first; republishing a name replaces the inherited
// entry in place. Tables are built on first use, never in static initialisers.
#pragma once

#include "Classes.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

enum TTypeKind {
  tkInteger,
  tkChar,
  tkWChar,
  tkEnumeration,
  tkSet,
  tkString,
  tkWString,
  tkClass,
  tkMethod,
};

// Raised by the typed accessors on a read-only property or a value of the
// wrong class.
VEL_EXCEPTION_CLASS(EPropertyError, Exception);

// The names of an enumeration's values 0 .. Count()-1.
class TEnumType {
 public:
  TEnumType(std::string name, std::vector<std::string> values)
      : name_(std::move(name)), values_(std::move(values)) {}
  const std::string& Name() const { return name_; }
  int Count() const { return static_cast<int>(values_.size()); }
  // Empty outside the range.
  std::string ValueName(int value) const;
  // Case-insensitive; -1 when no value has this name.
  int ValueOf(const std::string& name) const;

 private:
  std::string name_;
  std::vector<std::string> values_;
};

template <typename T>
struct TTypeTag {};

// Header: VEL_ENUM_TYPE(TFontStyle);
// Source: VEL_ENUM_TYPE_IMPL(TFontStyle, "fsBold", "fsItalic", ...)
#define VEL_ENUM_TYPE(E) const TEnumType& EnumTypeOf(TTypeTag<E>)
#define VEL_ENUM_TYPE_IMPL(E, ...)                  \
  const TEnumType& EnumTypeOf(TTypeTag<E>) {        \
    static const TEnumType type(#E, {__VA_ARGS__}); \
    return type;                                    \
  }

VEL_ENUM_TYPE(bool);  // "False", "True"

// Names that form data may give an integer property instead of a number,
// such as colour constants.
class TIntegerIdents {
 public:
  TIntegerIdents(std::initializer_list<std::pair<const char*, int64_t>> entries)
      : entries_(entries.begin(), entries.end()) {}
  explicit TIntegerIdents(std::vector<std::pair<std::string, int64_t>> entries)
      : entries_(std::move(entries)) {}
  // Case-insensitive; false when name is none of them.
  bool IdentToInt(const std::string& name, int64_t& value) const;

 private:
  std::vector<std::pair<std::string, int64_t>> entries_;
};

// Identifies an event signature, so that a handler is bound only to an event
// of its own type.
using TSignatureId = const void*;
template <typename Closure>
TSignatureId SignatureOf() {
  static const char tag = 0;
  return &tag;
}

// One published property. Only the accessors of its kind are set; a missing
// setter makes the property read-only (normal for sub-objects).
struct TPropInfo {
  std::string Name;
  const TMetaClass* DeclaringClass = nullptr;  // instances must inherit from it
  TTypeKind Kind = tkInteger;
  const TEnumType* EnumType = nullptr;     // enumeration; for a set its elements
  const TIntegerIdents* Idents = nullptr;  // integer: names it also accepts
  const TMetaClass* PropClass = nullptr;   // class
  bool IsReference = false;                // class: a component named in form data
  TSignatureId Signature = nullptr;        // method

  std::function<int64_t(TObject*)> GetOrd;
  std::function<void(TObject*, int64_t)> SetOrd;
  std::function<std::string(TObject*)> GetStr;
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<std::wstring(TObject*)> GetWideStr;
  std::function<void(TObject*, const std::wstring&)> SetWideStr;
  std::function<TObject*(TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;  // the value's class is checked before
  std::function<TMethod(TObject*)> GetMethod;
  std::function<void(TObject*, const TMethod&)> SetMethod;

  bool IsOrdinal() const { return Kind <= tkSet; }
  bool Writable() const;
};

// A published method of a form class: an event handler found by name.
struct TPublishedMethod {
  std::string Name;
  TSignatureId Signature = nullptr;
  TMethod (*Bind)(TObject* instance) = nullptr;
};

// A published field of a form class: the member that receives the component
// of the same name. Assign returns false when the component is of the wrong
// class.
struct TPublishedField {
  std::string Name;
  const TMetaClass* FieldClass = nullptr;
  bool (*Assign)(TObject* instance, TComponent* component) = nullptr;
};

using TPropList = std::vector<std::shared_ptr<const TPropInfo>>;

// Everything a class publishes, inherited entries included.
class TPublishedInfo {
 public:
  const TPropList& Properties() const { return properties_; }
  // All three look names up without regard to case; null when absent.
  const TPropInfo* FindProperty(const std::string& name) const;
  const TPublishedMethod* FindMethod(const std::string& name) const;
  const TPublishedField* FindField(const std::string& name) const;

 private:
  template <typename C>
  friend class TPublisher;
  void AddProperty(TPropInfo info);

  TPropList properties_;
  std::vector<TPublishedMethod> methods_;
  std::vector<TPublishedField> fields_;
};

// The table of meta (its own or its nearest ancestor's); an empty table for
// classes that publish nothing.
const TPublishedInfo& GetPublishedInfo(const TMetaClass* meta);

// ---- Typed access -----------------------------------------------------------

const TPropList& GetPropList(const TMetaClass* meta);
// Case-insensitive; null when the instance's class has no such property.
const TPropInfo* GetPropInfo(const TObject* instance, const std::string& name);
const TPropInfo* GetPropInfo(const TMetaClass* meta, const std::string& name);

// Each raises EPropertyError when the property is not of a fitting kind or
// not one of the instance's class, or, for the setters, when it is read-only. Ordinal covers
// integer, char, wide char, enumeration (its index) and set (its bit mask).
int64_t GetOrdProp(TObject* instance, const TPropInfo& prop);
void SetOrdProp(TObject* instance, const TPropInfo& prop, int64_t value);
std::string GetStrProp(TObject* instance, const TPropInfo& prop);
void SetStrProp(TObject* instance, const TPropInfo& prop, const std::string& value);
std::wstring GetWideStrProp(TObject* instance, const TPropInfo& prop);
void SetWideStrProp(TObject* instance, const TPropInfo& prop, const std::wstring& value);
TObject* GetObjectProp(TObject* instance, const TPropInfo& prop);
// value may be null; otherwise it must be of the property's class.
void SetObjectProp(TObject* instance, const TPropInfo& prop, TObject* value);
TMethod GetMethodProp(TObject* instance, const TPropInfo& prop);
void SetMethodProp(TObject* instance, const TPropInfo& prop, const TMethod& value);

// ---- Registration -------------------------------------------------------------

namespace typinfo_detail {

template <typename T, typename = void>
struct Traits;  // a type that cannot be published has no traits

template <typename T>
struct OrdinalTraits {
  static constexpr bool ordinal = true;
  static const TEnumType* Enum() { return nullptr; }
  static int64_t ToOrd(T v) { return static_cast<int64_t>(v); }
  static T FromOrd(int64_t v) { return static_cast<T>(v); }
};

template <>
struct Traits<bool> : OrdinalTraits<bool> {
  static constexpr TTypeKind kind = tkEnumeration;
  static const TEnumType* Enum() { return &EnumTypeOf(TTypeTag<bool>{}); }
  static bool FromOrd(int64_t v) { return v != 0; }
};
template <>
struct Traits<char> : OrdinalTraits<char> {
  static constexpr TTypeKind kind = tkChar;
  static int64_t ToOrd(char v) { return static_cast<unsigned char>(v); }
};
template <>
struct Traits<wchar_t> : OrdinalTraits<wchar_t> {
  static constexpr TTypeKind kind = tkWChar;
};
template <typename T>
struct Traits<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool> &&
                                  !std::is_same_v<T, char> && !std::is_same_v<T, wchar_t>>>
    : OrdinalTraits<T> {
  static constexpr TTypeKind kind = tkInteger;
};
template <typename E>
struct Traits<E, std::enable_if_t<std::is_enum_v<E>>> : OrdinalTraits<E> {
  static constexpr TTypeKind kind = tkEnumeration;
  static const TEnumType* Enum() { return &EnumTypeOf(TTypeTag<E>{}); }
};
template <typename E>
struct Traits<TSet<E>> {
  static constexpr bool ordinal = true;
  static constexpr TTypeKind kind = tkSet;
  static const TEnumType* Enum() { return &EnumTypeOf(TTypeTag<E>{}); }
  static int64_t ToOrd(TSet<E> v) { return v.Bits(); }
  static TSet<E> FromOrd(int64_t v) { return TSet<E>::FromBits(static_cast<uint32_t>(v)); }
};
template <>
struct Traits<std::string> {
  static constexpr bool ordinal = false;
  static constexpr TTypeKind kind = tkString;
};
template <>
struct Traits<std::wstring> {
  static constexpr bool ordinal = false;
  static constexpr TTypeKind kind = tkWString;
};
template <typename T>
struct Traits<T*, std::enable_if_t<std::is_base_of_v<TObject, T>>> {
  static constexpr bool ordinal = false;
  static constexpr TTypeKind kind = tkClass;
};
template <typename Sig>
struct Traits<TClosure<Sig>> {
  static constexpr bool ordinal = false;
  static constexpr TTypeKind kind = tkMethod;
};

}  // namespace typinfo_detail

// Collects what class C publishes; C::Publish receives one.
template <typename C>
class TPublisher {
 public:
  // A property read through getter and, unless read-only, written through
  // setter. Both are member functions of C or of a base of C.
  template <typename G>
  void Property(const char* name, G getter) {
    Add<ValueOf<G>>(name, getter, nullptr);
  }
  template <typename G, typename S>
  void Property(const char* name, G getter, S setter) {
    Add<ValueOf<G>>(name, getter, setter);
  }
  // An integer property that form data may also set by one of idents' names;
  // idents must outlive the table (a function-local static will do).
  template <typename G, typename S>
  void Property(const char* name, G getter, S setter, const TIntegerIdents& idents) {
    static_assert(typinfo_detail::Traits<ValueOf<G>>::kind == tkInteger,
                  "identifiers name integer values");
    Add<ValueOf<G>>(name, getter, setter, &idents);
  }

  // An event held in a public closure member.
  template <typename Sig, typename B>
  void Event(const char* name, TClosure<Sig> B::*field) {
    using T = TClosure<Sig>;
    Add<T>(
        name, [field](C& c) { return c.*field; }, [field](C& c, const T& v) { c.*field = v; });
  }

  // Form classes: a handler that form data binds by name,
  // p.Method<&TMainForm::ButtonClick>("ButtonClick").
  template <auto M>
  void Method(const char* name) {
    using Closure = typename closure_detail::Member<M>::Closure;
    info_.methods_.push_back(TPublishedMethod{name, SignatureOf<Closure>(), [](TObject* obj) {
                                                return ::Method<M>(static_cast<C*>(obj)).AsMethod();
                                              }});
  }

  // Form classes: a member that receives the component named name.
  template <auto F>
  void Field(const char* name) {
    using T = std::remove_pointer_t<std::decay_t<decltype(std::declval<C&>().*F)>>;
    static_assert(std::is_base_of_v<TComponent, T>, "a published field holds a component");
    info_.fields_.push_back(
        TPublishedField{name, &T::StaticClass(), [](TObject* obj, TComponent* component) {
                          T* typed = dynamic_cast<T*>(component);
                          if (typed)
                            static_cast<C*>(obj)->*F = typed;
                          return typed != nullptr;
                        }});
  }

 private:
  friend struct TPublishedAccess;
  explicit TPublisher(const TPublishedInfo& inherited) : info_(inherited) {}
  TPublishedInfo Take() { return std::move(info_); }

  template <typename G>
  using ValueOf = std::decay_t<std::invoke_result_t<G, C&>>;

  template <typename T, typename G, typename S>
  void Add(const char* name, G getter, S setter, const TIntegerIdents* idents = nullptr) {
    using Tr = typinfo_detail::Traits<T>;
    TPropInfo info;
    info.Name = name;
    info.DeclaringClass = &C::StaticClass();
    info.Kind = Tr::kind;
    info.Idents = idents;
    auto get = [getter](TObject* obj) -> T { return std::invoke(getter, *static_cast<C*>(obj)); };
    std::function<void(TObject*, const T&)> set;
    if constexpr (!std::is_same_v<S, std::nullptr_t>) {
      set = [setter](TObject* obj, const T& v) { std::invoke(setter, *static_cast<C*>(obj), v); };
    }
    if constexpr (Tr::ordinal) {
      info.EnumType = Tr::Enum();
      info.GetOrd = [get](TObject* obj) { return Tr::ToOrd(get(obj)); };
      if (set)
        info.SetOrd = [set](TObject* obj, int64_t v) { set(obj, Tr::FromOrd(v)); };
    } else if constexpr (Tr::kind == tkString) {
      info.GetStr = get;
      info.SetStr = set;
    } else if constexpr (Tr::kind == tkWString) {
      info.GetWideStr = get;
      info.SetWideStr = set;
    } else if constexpr (Tr::kind == tkClass) {
      using P = std::remove_pointer_t<T>;
      info.PropClass = &P::StaticClass();
      info.IsReference = std::is_base_of_v<TComponent, P>;
      info.GetObj = get;
      if (set)
        info.SetObj = [set](TObject* obj, TObject* v) { set(obj, static_cast<P*>(v)); };
    } else {
      info.Signature = SignatureOf<T>();
      info.GetMethod = [get](TObject* obj) { return get(obj).AsMethod(); };
      if (set)
        info.SetMethod = [set](TObject* obj, const TMethod& m) { set(obj, T::FromMethod(m)); };
    }
    info_.AddProperty(std::move(info));
  }

  TPublishedInfo info_;
};

// Builds a class's table the first time it is asked for.
template <typename C>
const TPublishedInfo& TPublishedAccess::Table() {
  static const TPublishedInfo table = [] {
    TPublisher<C> publisher(GetPublishedInfo(C::StaticClass().Parent()));
    C::Publish(publisher);
    return publisher.Take();
  }();
  return table;
}
