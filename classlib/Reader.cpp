#include "Reader.h"

#include "Collections.h"
#include "Streams.h"

#include <cstring>

VEL_CLASS_IMPL(TFiler, TObject)
VEL_CLASS_IMPL(TReader, TFiler)

namespace {

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t dot; (dot = path.find('.', start)) != std::string::npos; start = dot + 1)
    names.push_back(path.substr(start, dot - start));
  names.push_back(path.substr(start));
  return names;
}

// Deeper nesting than this is no form's: it ends as an error, not as a stack
// overflow.
constexpr int kMaxNesting = 256;

// Whatever a setter, a class lookup or a parent raises while form data is
// read becomes an EReadError that says where. EResNotFound stays itself (a
// missing resource is a build fault), EAbort stays silent.
[[noreturn]] void RethrowAsReadError(const std::string& where) {
  try {
    throw;
  } catch (const EResNotFound&) {
    throw;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& e) {
    throw EReadError(Format("Error reading %s: %s", where, e.Message()));
  }
}

std::string NameOf(const TObject* instance) {
  const auto* component = dynamic_cast<const TComponent*>(instance);
  return component && !component->Name().empty() ? component->Name() : instance->ClassName();
}

// A character property's value: a string of at most one character, the
// empty string standing for character 0.
template <typename Char, typename String>
int64_t SingleChar(const String& s) {
  if (s.size() > 1)
    throw EReadError("Invalid property value");
  return s.empty() ? 0 : static_cast<Char>(s[0]);
}

}  // namespace

// ---- Values ----------------------------------------------------------------------

void TReader::PropValueError() {
  throw EReadError("Invalid property value");
}

uint8_t TReader::ReadByte() {
  uint8_t b;
  stream_.ReadBuffer(&b, 1);
  return b;
}

std::string TReader::ReadBytes(uint64_t count) {
  if (count > static_cast<uint64_t>(stream_.Size() - stream_.Position()))
    throw EReadError("Stream read error");
  std::string bytes(count, '\0');
  stream_.ReadBuffer(bytes.data(), static_cast<int32_t>(count));
  return bytes;
}

uint32_t TReader::ReadLength32() {
  uint8_t b[4];
  stream_.ReadBuffer(b, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

std::string TReader::ReadShortString() {
  return ReadBytes(ReadByte());
}

TValueType TReader::NextValue() {
  TValueType tag = ReadValue();
  stream_.Seek(-1, soCurrent);
  return tag;
}

TValueType TReader::ReadValue() {
  return static_cast<TValueType>(ReadByte());
}

void TReader::Expect(TValueType tag) {
  if (ReadValue() != tag)
    PropValueError();
}

std::string TReader::ReadString() {
  switch (ReadValue()) {
    case vaString:
      return ReadShortString();
    case vaLString:
      return ReadBytes(ReadLength32());
    case vaWString:
      stream_.Seek(-1, soCurrent);
      return WideToAnsi(ReadWideString());
    default:
      PropValueError();
  }
}

std::wstring TReader::ReadWideString() {
  if (NextValue() != vaWString)
    return AnsiToWide(ReadString());
  ReadValue();
  uint32_t units = ReadLength32();
  if (units > (stream_.Size() - stream_.Position()) / 2)
    throw EReadError("Stream read error");
  std::wstring s(units, L'\0');
  for (wchar_t& c : s) {
    uint8_t b[2];
    stream_.ReadBuffer(b, 2);
    c = static_cast<wchar_t>(b[0] | (b[1] << 8));
  }
  return s;
}

int32_t TReader::ReadInteger() {
  switch (ReadValue()) {
    case vaInt8:
      return static_cast<int8_t>(ReadByte());
    case vaInt16: {
      uint8_t lo = ReadByte();
      return static_cast<int16_t>(lo | (ReadByte() << 8));
    }
    case vaInt32:
      return static_cast<int32_t>(ReadLength32());
    default:
      PropValueError();
  }
}

bool TReader::ReadBoolean() {
  TValueType tag = ReadValue();
  if (tag != vaTrue && tag != vaFalse)
    PropValueError();
  return tag == vaTrue;
}

std::string TReader::ReadIdent() {
  Expect(vaIdent);
  return ReadShortString();
}

std::vector<uint8_t> TReader::ReadBinary() {
  Expect(vaBinary);
  std::string bytes = ReadBytes(ReadLength32());
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<std::string> TReader::ReadSet() {
  Expect(vaSet);
  std::vector<std::string> names;
  for (std::string name; !(name = ReadShortString()).empty();)
    names.push_back(name);
  return names;
}

void TReader::ReadListBegin() {
  Expect(vaList);
}

bool TReader::EndOfList() {
  return NextValue() == vaNull;
}

void TReader::ReadListEnd() {
  Expect(vaNull);
}

void TReader::ReadCollection(TCollection& collection) {
  const TNesting nesting(*this);
  Expect(vaCollection);
  collection.BeginUpdate();
  try {
    collection.Clear();
    while (!EndOfList()) {
      ReadListBegin();
      TCollectionItem* item = collection.Add();
      while (!EndOfList())
        ReadProperty(item);
      ReadListEnd();
    }
    ReadListEnd();
  } catch (...) {
    collection.EndUpdate();
    throw;
  }
  collection.EndUpdate();
}

TReader::TNesting::TNesting(TReader& reader) : reader_(reader) {
  if (++reader_.nesting_ > kMaxNesting) {
    --reader_.nesting_;
    throw EReadError(Format("Form data nested deeper than %d levels", kMaxNesting));
  }
}

TReader::TNesting::~TNesting() {
  --reader_.nesting_;
}

void TReader::SkipValue() {
  const TNesting nesting(*this);
  switch (ReadValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
      break;
    case vaList:
      while (!EndOfList())
        SkipValue();
      ReadListEnd();
      break;
    case vaInt8:
      ReadBytes(1);
      break;
    case vaInt16:
      ReadBytes(2);
      break;
    case vaInt32:
      ReadBytes(4);
      break;
    case vaString:
    case vaIdent:
      ReadShortString();
      break;
    case vaBinary:
    case vaLString:
      ReadBytes(ReadLength32());
      break;
    case vaWString:
      ReadBytes(uint64_t{ReadLength32()} * 2);
      break;
    case vaSet:
      while (!ReadShortString().empty()) {
      }
      break;
    case vaCollection:
      while (!EndOfList()) {
        ReadListBegin();
        while (!EndOfList()) {
          ReadShortString();
          SkipValue();
        }
        ReadListEnd();
      }
      ReadListEnd();
      break;
    default:
      PropValueError();
  }
}

// ---- Structure -------------------------------------------------------------------

void TReader::ReadRootComponent(TComponent* root) {
  char signature[4];
  stream_.ReadBuffer(signature, 4);
  if (std::memcmp(signature, kFormSignature, 4) != 0)
    throw EReadError("Invalid stream format");
  root_ = root;
  loading_.clear();
  fixups_.clear();
  try {
    std::string className = ReadShortString();
    const TMetaClass* meta = root->ClassType();
    while (meta && !SameText(meta->Name(), className))
      meta = meta->Parent();
    if (!meta) {
      throw EReadError(
          Format("Form data of a %s cannot be read into a %s", className, root->ClassName()));
    }
    std::string name = ReadShortString();
    if (!name.empty())
      root->SetName(name);
    loading_.push_back(root);
    root->SetState(csLoading, true);
    root->SetState(csReading, true);
    ReadProperties(root);
    ReadChildren(root);
    ResolveFixups();
  } catch (...) {
    FinishLoading(false);
    throw;
  }
  FinishLoading(true);
}

void TReader::FinishLoading(bool loaded) {
  std::vector<TComponent*> components;
  components.swap(loading_);
  for (TComponent* c : components) {
    c->SetState(csReading, false);
    c->SetState(csLoading, false);
  }
  if (loaded) {
    for (TComponent* c : components)
      c->Loaded();
  }
}

void TReader::ReadChildren(TComponent* component) {
  TComponent* parent = component->GetChildParent();
  while (!EndOfList())
    ReadComponent(parent);
  ReadListEnd();
}

void TReader::ReadComponent(TComponent* parent) {
  const TNesting nesting(*this);
  const std::string className = ReadShortString();
  const std::string name = ReadShortString();
  TComponent* component = nullptr;
  try {
    component = FindClass(className)->CreateInstance(root_);
    if (!component)
      throw EReadError(Format("Cannot create a %s", className));
    loading_.push_back(component);
    component->SetState(csLoading, true);
    component->SetState(csReading, true);
    component->SetParentComponent(parent);
    if (!name.empty()) {
      component->SetName(name);
      AssignField(component);
    }
  } catch (...) {
    RethrowAsReadError(Format("%s: %s", name, className));
  }
  ReadProperties(component);
  ReadChildren(component);
}

void TReader::AssignField(TComponent* component) {
  const TPublishedField* field = GetPublishedInfo(root_->ClassType()).FindField(component->Name());
  if (field && !field->Assign(root_, component)) {
    throw EReadError(Format("Field %s is not a %s but a %s", field->Name, field->FieldClass->Name(),
                            component->ClassName()));
  }
}

void TReader::ReadProperties(TPersistent* instance) {
  while (!EndOfList())
    ReadProperty(instance);
  ReadListEnd();
}

void TReader::ReadProperty(TPersistent* instance) {
  const std::string path = ReadShortString();
  // The outermost property names the place; those inside a collection item
  // or a defined property are part of it.
  if (inProperty_) {
    ReadPropertyValue(instance, path);
    return;
  }
  inProperty_ = true;
  try {
    ReadPropertyValue(instance, path);
  } catch (...) {
    inProperty_ = false;
    RethrowAsReadError(NameOf(instance) + "." + path);
  }
  inProperty_ = false;
}

void TReader::ReadPropertyValue(TPersistent* instance, const std::string& path) {
  std::vector<std::string> names = SplitPath(path);
  TObject* target = WalkPath(instance, names);
  if (const TPropInfo* prop = GetPropInfo(target, names.back())) {
    ReadPropValue(target, *prop);
    return;
  }
  auto* persistent = dynamic_cast<TPersistent*>(target);
  if (!persistent || !ReadDefinedProperty(persistent, names.back()))
    throw EReadError(Format("Property %s does not exist", path));
}

TObject* TReader::WalkPath(TObject* instance, const std::vector<std::string>& path) {
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    const TPropInfo* prop = GetPropInfo(instance, path[i]);
    TObject* next = prop && prop->Kind == tkClass && !prop->IsReference
                        ? GetObjectProp(instance, *prop)
                        : nullptr;
    if (!next)
      throw EReadError(Format("Property %s does not exist", path[i]));
    instance = next;
  }
  return instance;
}

bool TReader::ReadDefinedProperty(TPersistent* instance, const std::string& name) {
  // A read procedure may read nested properties, which ask again.
  std::string outerName = std::move(definedName_);
  bool outerFound = definedFound_;
  definedName_ = name;
  definedFound_ = false;
  instance->DefineProperties(*this);
  bool found = definedFound_;
  definedName_ = std::move(outerName);
  definedFound_ = outerFound;
  return found;
}

void TReader::DefineProperty(const std::string& name, TReaderProc readData, TWriterProc, bool) {
  if (definedFound_ || definedName_.empty() || !SameText(name, definedName_))
    return;
  // Set before reading: a definition made by readData itself must not match.
  definedFound_ = true;
  if (!readData.Assigned())
    throw EReadError(Format("Property %s cannot be read", name));
  readData(*this);
}

void TReader::ReadPropValue(TObject* instance, const TPropInfo& prop) {
  switch (prop.Kind) {
    case tkString:
      SetStrProp(instance, prop, ReadString());
      break;
    case tkWString:
      SetWideStrProp(instance, prop, ReadWideString());
      break;
    case tkClass:
      ReadClassValue(instance, prop);
      break;
    case tkMethod:
      ReadMethodValue(instance, prop);
      break;
    default:
      SetOrdProp(instance, prop, ReadOrdValue(prop));
  }
}

int64_t TReader::ReadOrdValue(const TPropInfo& prop) {
  TValueType tag = NextValue();
  switch (prop.Kind) {
    case tkInteger: {
      int64_t value = 0;
      if (tag != vaIdent)
        return ReadInteger();
      if (!prop.Idents || !prop.Idents->IdentToInt(ReadIdent(), value))
        PropValueError();
      return value;
    }
    case tkChar:
      return SingleChar<unsigned char>(ReadString());
    case tkWChar:
      return SingleChar<wchar_t>(ReadWideString());
    case tkEnumeration: {
      if ((tag == vaFalse || tag == vaTrue) && prop.EnumType == &EnumTypeOf(TTypeTag<bool>{}))
        return ReadBoolean();
      int value = prop.EnumType->ValueOf(ReadIdent());
      if (value < 0)
        PropValueError();
      return value;
    }
    default: {  // tkSet
      uint32_t bits = 0;
      for (const std::string& name : ReadSet()) {
        int element = prop.EnumType->ValueOf(name);
        if (element < 0 || element >= 32)
          PropValueError();
        bits |= 1u << element;
      }
      return bits;
    }
  }
}

void TReader::ReadClassValue(TObject* instance, const TPropInfo& prop) {
  TValueType tag = NextValue();
  if (prop.IsReference && tag == vaIdent) {
    fixups_.push_back(TFixup{instance, &prop, ReadIdent()});
  } else if (prop.IsReference && tag == vaNil) {
    ReadValue();
    SetObjectProp(instance, prop, nullptr);
  } else if (auto* collection = dynamic_cast<TCollection*>(GetObjectProp(instance, prop));
             collection && tag == vaCollection) {
    ReadCollection(*collection);
  } else {
    PropValueError();
  }
}

void TReader::ReadMethodValue(TObject* instance, const TPropInfo& prop) {
  if (NextValue() == vaNil) {
    ReadValue();
    SetMethodProp(instance, prop, TMethod{});
    return;
  }
  std::string name = ReadIdent();
  const TPublishedMethod* method = GetPublishedInfo(root_->ClassType()).FindMethod(name);
  if (!method)
    throw EReadError(Format("Method %s not found in %s", name, root_->ClassName()));
  if (method->Signature != prop.Signature)
    throw EReadError(Format("Method %s does not fit event %s", name, prop.Name));
  SetMethodProp(instance, prop, method->Bind(root_));
}

void TReader::ResolveFixups() {
  for (const TFixup& fixup : fixups_) {
    try {
      TComponent* target =
          SameText(fixup.Name, root_->Name()) ? root_ : root_->FindComponent(fixup.Name);
      if (!target)
        throw EReadError(Format("Unresolved reference to %s", fixup.Name));
      if (!target->InheritsFrom(*fixup.Prop->PropClass))
        PropValueError();
      SetObjectProp(fixup.Instance, *fixup.Prop, target);
    } catch (...) {
      RethrowAsReadError(NameOf(fixup.Instance) + "." + fixup.Prop->Name);
    }
  }
  fixups_.clear();
}

// ---- Loading forms ---------------------------------------------------------------

void ReadComponentText(TComponent* root, const std::string& text) {
  std::string binary;
  try {
    binary = FormTextToBinary(text);
  } catch (const EParserError& e) {
    throw EReadError(
        Format("Error reading the form data of %s: %s", root->ClassName(), e.Message()));
  }
  TMemoryStream stream;
  stream.WriteBuffer(binary.data(), static_cast<int32_t>(binary.size()));
  stream.SetPosition(0);
  TReader(stream).ReadRootComponent(root);
}

void ReadComponentResource(TComponent* root) {
  TResourceStream resource(GetModuleHandleA(nullptr), UpperCase(root->ClassName()), RT_RCDATA);
  std::string text(static_cast<const char*>(resource.Memory()),
                   static_cast<size_t>(resource.Size()));
  ReadComponentText(root, text);
}
