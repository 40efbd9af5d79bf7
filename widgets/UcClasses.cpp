#include "UcClasses.h"

#include "TypInfo.h"
#include "UcSysUtils.h"
#include "UcSystem.h"

#include <algorithm>
#include <vector>

namespace {

const unsigned char kMarkUtf16LE[] = {0xFF, 0xFE};
const unsigned char kMarkUtf16BE[] = {0xFE, 0xFF};
const unsigned char kMarkUtf8[] = {0xEF, 0xBB, 0xBF};

template <size_t N>
bool IsMark(const unsigned char* bytes, const unsigned char (&mark)[N]) {
  return std::equal(mark, mark + N, bytes);
}

void WriteBytes(TStream& stream, const std::string& bytes) {
  if (!bytes.empty())
    stream.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
}

HANDLE OpenUcFile(const std::wstring& fileName, uint16_t mode) {
  const bool create = mode == fmUcCreate;
  const HANDLE handle = create ? WideFileCreate(fileName) : WideFileOpen(fileName, mode);
  if (handle != INVALID_HANDLE_VALUE)
    return handle;
  // The system's reason first: expanding the name may change the last error.
  const std::wstring reason = WideSysErrorMessage(GetLastError());
  const std::wstring fullName = WideExpandFileName(fileName);
  if (create)
    throw EWideFCreateError::CreateFmt(L"Cannot create file \"%s\". %s", fullName, reason);
  throw EWideFOpenError::CreateFmt(L"Cannot open file \"%s\". %s", fullName, reason);
}

int32_t AddressKey(const TComponent* component) {
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(component));
}

bool IsAnsiStringTag(TValueType tag) {
  return tag == vaString || tag == vaLString;
}

}  // namespace

// ---- TUcStrings ----------------------------------------------------------------------------

VEL_CLASS_IMPL(TUcStrings, TWideStrings)

void TUcStrings::Publish(TPublisher<TUcStrings>& p) {
  p.Property("AnsiStrings", &TUcStrings::AnsiStrings, &TUcStrings::SetAnsiStrings);
}

TUcStrings::TUcStrings() : ansiStrings_(Create<TAnsiStringsForWideStringsAdapter>(this)) {}

TUcStrings::~TUcStrings() {
  ansiStrings_.reset();
}

TAnsiStrings* TUcStrings::AnsiStrings() const {
  return ansiStrings_.get();
}

void TUcStrings::SetAnsiStrings(TStrings* value) {
  ansiStrings_->Assign(value);
}

void TUcStrings::DefineProperties(TFiler& filer) {
  TWideStrings::DefineProperties(filer);
  filer.DefineProperty("WideStrings", Method<&TUcStrings::ReadWideStrings>(this), nullptr, false);
  filer.DefineProperty("WideStringsW", Method<&TUcStrings::ReadWideStringsW>(this), nullptr, false);
  filer.DefineProperty("WideStrings_UTF7", Method<&TUcStrings::ReadWideStringsUTF7>(this), nullptr,
                       false);
}

void TUcStrings::ReadWideStrings(TReader& reader) {
  const TValueType tag = reader.NextValue();
  if (IsAnsiStringTag(tag) || tag == vaWString) {
    SetText(reader.ReadWideString());
    return;
  }
  reader.ReadListBegin();
  TUpdate update(*this);
  Clear();
  while (!reader.EndOfList())
    Add(reader.ReadWideString());
  reader.ReadListEnd();
}

void TUcStrings::ReadWideStringsW(TReader& reader) {
  std::vector<std::wstring> items;
  reader.ReadListBegin();
  while (!reader.EndOfList())
    items.push_back(UTF8ToWideString(reader.ReadString()));
  reader.ReadListEnd();
  // Only an empty list takes them: the items of "Strings" win.
  if (Count() != 0)
    return;
  TUpdate update(*this);
  Clear();
  for (const std::wstring& item : items)
    Add(item);
}

void TUcStrings::ReadWideStringsUTF7(TReader& reader) {
  reader.ReadListBegin();
  while (!reader.EndOfList())
    reader.ReadString();
  reader.ReadListEnd();
}

void TUcStrings::LoadFromStream(TStream& stream) {
  LoadFromStreamEx(stream, true);
}

void TUcStrings::SaveToStream(TStream& stream) const {
  SaveToStreamEx(stream, true);
}

void TUcStrings::LoadFromFile(const std::wstring& fileName) {
  TUcFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TUcStrings::SaveToFile(const std::wstring& fileName) const {
  TUcFileStream stream(fileName, fmUcCreate);
  SaveToStream(stream);
}

void TUcStrings::LoadFromStreamEx(TStream& stream, bool detectMark) {
  TUpdate update(*this);
  const TStreamCharset charset = detectMark ? DetectStreamCharset(stream) : scUtf16LE;
  const std::string bytes = ReadToEnd(stream);
  switch (charset) {
    case scUtf16LE:
    case scUtf16BE: {
      std::wstring text = Utf16LeUnits(bytes);
      if (charset == scUtf16BE)
        SwapWideByteOrder(text);
      SetText(text);
      break;
    }
    case scUtf8:
      SetText(UTF8ToWideString(bytes));
      break;
    default:
      SetText(AnsiToWide(bytes));
  }
}

void TUcStrings::SaveToStreamEx(TStream& stream, bool writeMark) const {
  std::string bytes;
  if (writeMark)
    bytes.assign(reinterpret_cast<const char*>(kMarkUtf16LE), sizeof kMarkUtf16LE);
  WriteBytes(stream, bytes + Utf16LeBytes(Text()));
}

// ---- TUcStringList -------------------------------------------------------------------------

VEL_CLASS_IMPL(TUcStringList, TUcStrings)

int TUcStringList::Add(const std::wstring& s) {
  return AddObject(s, nullptr);
}

int TUcStringList::AddObject(const std::wstring& s, TObject* obj) {
  const int index = Count();
  InsertItem(index, s, obj);
  return index;
}

void TUcStringList::Insert(int index, const std::wstring& s) {
  InsertObject(index, s, nullptr);
}

void TUcStringList::InsertObject(int index, const std::wstring& s, TObject* obj) {
  CheckInsertIndex(index);
  InsertItem(index, s, obj);
}

void TUcStringList::Clear() {
  if (Count() == 0)
    return;
  Changing();
  Items().clear();
  Items().shrink_to_fit();
  capacity_ = 0;
  Changed();
}

void TUcStringList::SetCapacity(int capacity) {
  if (capacity < Count())
    Error("List capacity out of bounds (%d)", capacity);
  Items().reserve(static_cast<size_t>(capacity));
  capacity_ = capacity;
}

void TUcStringList::InsertItem(int index, const std::wstring& s, TObject* obj) {
  Changing();
  if (Count() == capacity_)
    Grow();
  Items().insert(Items().begin() + index, TItem{s, obj});
  Changed();
}

void TUcStringList::CheckInsertIndex(int index) const {
  if (index < 0 || index > Count())
    Error("List index out of bounds (%d)", index);
}

void TUcStringList::Grow() {
  const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
  SetCapacity(capacity_ + delta);
}

// ---- TAnsiStrings ---------------------------------------------------------------------------

VEL_CLASS_IMPL(TAnsiStrings, TStrings)

VEL_CLASS_IMPL(TAnsiStringsForWideStringsAdapter, TAnsiStrings)

TAnsiStringsForWideStringsAdapter::TAnsiStringsForWideStringsAdapter(TWideStrings* wideStrings,
                                                                     UINT codePage)
    : wideStrings_(wideStrings), codePage_(codePage) {}

UINT TAnsiStringsForWideStringsAdapter::AdapterCodePage() const {
  return codePage_ ? codePage_ : DefaultAnsiCodePage();
}

std::string TAnsiStringsForWideStringsAdapter::Get(int index) const {
  return WideStringToStringCP(wideStrings_->Strings(index), AdapterCodePage());
}

void TAnsiStringsForWideStringsAdapter::Put(int index, const std::string& s) {
  wideStrings_->SetStrings(index, StringToWideStringCP(s, AdapterCodePage()));
}

void TAnsiStringsForWideStringsAdapter::Insert(int index, const std::string& s) {
  wideStrings_->Insert(index, StringToWideStringCP(s, AdapterCodePage()));
}

int TAnsiStringsForWideStringsAdapter::GetCount() const {
  return wideStrings_->Count();
}

TObject* TAnsiStringsForWideStringsAdapter::GetObject(int index) const {
  return wideStrings_->Objects(index);
}

void TAnsiStringsForWideStringsAdapter::PutObject(int index, TObject* obj) {
  wideStrings_->SetObjects(index, obj);
}

void TAnsiStringsForWideStringsAdapter::SetUpdateState(bool updating) {
  if (updating) {
    wideStrings_->BeginUpdate();
  } else {
    wideStrings_->EndUpdate();
  }
}

void TAnsiStringsForWideStringsAdapter::Clear() {
  wideStrings_->Clear();
}

void TAnsiStringsForWideStringsAdapter::Delete(int index) {
  wideStrings_->Delete(index);
}

void TAnsiStringsForWideStringsAdapter::LoadFromStreamWithCodePage(TStream& stream, UINT codePage) {
  TStringsUpdate update(*this);
  wideStrings_->SetText(StringToWideStringCP(ReadToEnd(stream), codePage));
}

void TAnsiStringsForWideStringsAdapter::SaveToStreamWithCodePage(TStream& stream,
                                                                 UINT codePage) const {
  WriteBytes(stream, WideStringToStringCP(wideStrings_->Text(), codePage));
}

// ---- TUcFileStream -------------------------------------------------------------------------

VEL_CLASS_IMPL(TUcFileStream, THandleStream)

TUcFileStream::TUcFileStream(const std::wstring& fileName, uint16_t mode)
    : THandleStream(OpenUcFile(fileName, mode)) {}

TUcFileStream::~TUcFileStream() {
  if (handle_ != INVALID_HANDLE_VALUE)
    CloseHandle(handle_);
}

// ---- Stream helpers ------------------------------------------------------------------------

TStreamCharset DetectStreamCharset(TStream& stream) {
  const int64_t remaining = stream.Size() - stream.Position();
  if (remaining < 2)
    return scNone;
  unsigned char bytes[3];
  stream.ReadBuffer(bytes, 2);
  if (IsMark(bytes, kMarkUtf16LE))
    return scUtf16LE;
  if (IsMark(bytes, kMarkUtf16BE))
    return scUtf16BE;
  stream.Seek(-2, soCurrent);
  if (remaining < 3)
    return scNone;
  stream.ReadBuffer(bytes, 3);
  if (IsMark(bytes, kMarkUtf8))
    return scUtf8;
  stream.Seek(-3, soCurrent);
  return scNone;
}

// ---- Helpers --------------------------------------------------------------------------------

VEL_CLASS_IMPL(TWideComponentHelper, TComponent)

TWideComponentHelper::TWideComponentHelper(TComponent* component, TComponentList* helperList)
    : TComponent(nullptr), component_(component) {
  component_->FreeNotification(this);
  int index = 0;
  FindWideComponentHelperIndex(helperList, component_, index);
  helperList->Insert(index, this);
}

void TWideComponentHelper::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == component_) {
    component_ = nullptr;
    // The helper list hears of this and drops the helper without freeing it.
    Free();
  }
}

bool FindWideComponentHelperIndex(const TComponentList* helperList, const TComponent* component,
                                  int& index) {
  const int32_t key = AddressKey(component);
  int low = 0;
  int high = helperList->Count() - 1;
  bool found = false;
  while (low <= high) {
    const int mid = static_cast<int>(static_cast<unsigned>(low + high) >> 1);
    const auto* helper = static_cast<const TWideComponentHelper*>(helperList->Items(mid));
    const int32_t probe = AddressKey(helper->Component());
    if (probe < key) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (probe == key) {
        found = true;
        low = mid;
      }
    }
  }
  index = low;
  return found;
}

TWideComponentHelper* FindWideComponentHelper(const TComponentList* helperList,
                                              const TComponent* component) {
  int index = 0;
  if (!FindWideComponentHelperIndex(helperList, component, index))
    return nullptr;
  return static_cast<TWideComponentHelper*>(helperList->Items(index));
}

// ---- Paired text ---------------------------------------------------------------------------

std::wstring GetPairedWideText(std::wstring& wide, const std::string& ansi) {
  if (WideToAnsi(wide) != ansi)
    wide = AnsiToWide(ansi);
  return wide;
}

void SetPairedWideText(const std::wstring& value, std::wstring& wide, const std::string& ansi,
                       TPairedTextSetter setter) {
  if (value == GetPairedWideText(wide, ansi))
    return;
  const std::string ansiValue = WideToAnsi(value);
  // The 8-bit side would see no change and keep showing the old text.
  if (ansiValue == ansi)
    setter(std::string());
  wide = value;
  setter(ansiValue);
}

// ---- Form data -------------------------------------------------------------------------------

VEL_CLASS_IMPL(TUcWideStringPropertyFiler, TObject)
VEL_CLASS_IMPL(TUcWideCharPropertyFiler, TObject)

void DefineWidePersistentProperties(TFiler& filer, TPersistent* instance) {
  const TPropList& props = GetPropList(instance->ClassType());
  if (props.empty())
    return;
  TOwned<TUcWideStringPropertyFiler> stringFiler(Create<TUcWideStringPropertyFiler>());
  TOwned<TUcWideCharPropertyFiler> charFiler(Create<TUcWideCharPropertyFiler>());
  for (const auto& prop : props) {
    if (prop->Kind == tkWString) {
      stringFiler->DefineProperties(filer, instance, prop->Name);
    } else if (prop->Kind == tkWChar) {
      charFiler->DefineProperties(filer, instance, prop->Name);
    }
  }
}

void TUcWideStringPropertyFiler::DefineProperties(TFiler& filer, TPersistent* instance,
                                                  const std::string& propName) {
  const TPropInfo* prop = GetPropInfo(instance, propName);
  if (!prop || prop->Kind != tkWString)
    return;
  const auto read = Method<&TUcWideStringPropertyFiler::ReadDiscarded>(this);
  filer.DefineProperty(prop->Name + "W", read, nullptr, false);
  filer.DefineProperty(prop->Name + "_UTF7", read, nullptr, false);
}

void TUcWideStringPropertyFiler::ReadDiscarded(TReader& reader) {
  reader.ReadString();
}

void TUcWideCharPropertyFiler::DefineProperties(TFiler& filer, TPersistent* instance,
                                                const std::string& propName) {
  const TPropInfo* prop = GetPropInfo(instance, propName);
  if (!prop || prop->Kind != tkWChar)
    return;
  instance_ = instance;
  propInfo_ = prop;
  filer.DefineProperty(prop->Name + "W", Method<&TUcWideCharPropertyFiler::ReadDataW>(this),
                       nullptr, false);
  filer.DefineProperty(prop->Name + "_UTF7", Method<&TUcWideCharPropertyFiler::ReadDataUTF7>(this),
                       nullptr, false);
  instance_ = nullptr;
  propInfo_ = nullptr;
}

void TUcWideCharPropertyFiler::ReadDataW(TReader& reader) {
  const TValueType tag = reader.NextValue();
  if (!IsAnsiStringTag(tag) && tag != vaWString)
    throw EReadError("Invalid property value");
  const std::wstring text = reader.ReadWideString();
  if (text.size() > 1)
    throw EReadError("Invalid property value");
  SetChar(text);
}

void TUcWideCharPropertyFiler::ReadDataUTF7(TReader& reader) {
  SetChar(UTF7ToWideString(reader.ReadString()).substr(0, 1));
}

void TUcWideCharPropertyFiler::SetChar(const std::wstring& text) {
  SetOrdProp(instance_, *propInfo_, text.empty() ? 0 : static_cast<uint16_t>(text[0]));
}
