// The component reader: turns the binary value stream of a form into live
// components (properties set, sub-objects filled, events bound by name,
// references fixed up, Loaded called), and loads a form from its resource.
//
#pragma once

#include "Classes.h"
#include "FormCompiler.h"
#include "TypInfo.h"

#include <cstdint>
#include <string>
#include <vector>

class TStream;
class TReader;
class TWriter;
class TCollection;

// What persistent objects see in DefineProperties: a place to declare
// properties of their own beyond the published ones.
class TFiler : public TObject {
  VEL_CLASS(TFiler, TObject)
 public:
  using TReaderProc = TClosure<void(TReader& reader)>;
  using TWriterProc = TClosure<void(TWriter& writer)>;

  // hasData tells a writer whether there is anything to write; names that
  // are only accepted for compatibility pass false.
  virtual void DefineProperty(const std::string& name, TReaderProc readData, TWriterProc writeData,
                              bool hasData) = 0;
};

class TReader : public TFiler {
  VEL_CLASS(TReader, TFiler)
 public:
  explicit TReader(TStream& stream) : stream_(stream) {}

  // ---- Values. A tag that does not fit raises EReadError "Invalid property
  // value"; the end of the stream raises EReadError too.
  TValueType NextValue();  // peeks
  TValueType ReadValue();
  // Tags 6 and 12; tag 18 is narrowed with the default conversion.
  std::string ReadString();
  // Tags 6 and 12 widened with the default conversion, or tag 18.
  std::wstring ReadWideString();
  int32_t ReadInteger();
  bool ReadBoolean();
  std::string ReadIdent();
  std::vector<uint8_t> ReadBinary();
  // The names of a set value, as read.
  std::vector<std::string> ReadSet();
  void ReadListBegin();
  bool EndOfList();  // the next value is the end tag; nothing is consumed
  void ReadListEnd();
  // Replaces the collection's items with those of the stream, within one
  // update.
  void ReadCollection(TCollection& collection);
  void SkipValue();

  // ---- Structure.
  // Reads a whole form into root: its own properties and, created with root
  // as owner, its components. Loaded runs on every one once all are read
  // and the component references are resolved.
  void ReadRootComponent(TComponent* root);
  // The component whose form is being read.
  TComponent* Root() const { return root_; }
  // Reads one "name value" pair into instance.
  void ReadProperty(TPersistent* instance);

  void DefineProperty(const std::string& name, TReaderProc readData, TWriterProc writeData,
                      bool hasData) override;

 private:
  struct TFixup {
    TObject* Instance;
    const TPropInfo* Prop;
    std::string Name;
  };

  // Counts the depth of components, lists and collections for a scope.
  class TNesting {
   public:
    explicit TNesting(TReader& reader);
    ~TNesting();
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

   private:
    TReader& reader_;
  };

  uint8_t ReadByte();
  // 64 bits: a length read from the stream, doubled for wide strings, must
  // not wrap.
  std::string ReadBytes(uint64_t count);
  uint32_t ReadLength32();
  std::string ReadShortString();
  [[noreturn]] static void PropValueError();
  void Expect(TValueType tag);

  void ReadComponent(TComponent* parent);
  void ReadProperties(TPersistent* instance);
  void ReadChildren(TComponent* component);
  void ReadPropertyValue(TPersistent* instance, const std::string& path);
  void ReadPropValue(TObject* instance, const TPropInfo& prop);
  void ReadClassValue(TObject* instance, const TPropInfo& prop);
  void ReadMethodValue(TObject* instance, const TPropInfo& prop);
  int64_t ReadOrdValue(const TPropInfo& prop);
  // Runs the read procedure instance defines for name; false when none.
  bool ReadDefinedProperty(TPersistent* instance, const std::string& name);
  // The object the dotted path (all of it but the last name) leads to.
  TObject* WalkPath(TObject* instance, const std::vector<std::string>& path);
  void AssignField(TComponent* component);
  void ResolveFixups();
  void FinishLoading(bool loaded);

  TStream& stream_;
  TComponent* root_ = nullptr;
  std::vector<TComponent*> loading_;  // in reading order
  std::vector<TFixup> fixups_;
  // The name DefineProperties is asked about, and whether a definition took it.
  std::string definedName_;
  bool definedFound_ = false;
  bool inProperty_ = false;
  int nesting_ = 0;
};

// Reads form data, in the text form, into root.
void ReadComponentText(TComponent* root, const std::string& text);
// Reads root's form from the program's RCDATA resource named after root's
// class in upper case, which holds the form's text. Raises EResNotFound when
// there is none.
void ReadComponentResource(TComponent* root);
