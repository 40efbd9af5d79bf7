// Wide (UTF-16) string lists: the abstract TWideStrings, the base of the
// widget layer's wide lists, and the concrete, unsorted TWideStringList.
#pragma once

#include "StringList.h"

#include <string>

// UTF-16LE as bytes: the units of bytes (an odd last byte is dropped), and
// the bytes of text.
std::wstring Utf16LeUnits(const std::string& bytes);
std::string Utf16LeBytes(const std::wstring& text);

class TWideStrings : public TStringsBase<std::wstring> {
  VEL_CLASS(TWideStrings, TPersistent)
 public:
  // Also takes the items of a TStrings, widened from the ANSI code page.
  void Assign(TPersistent* source) override;

  // Loading takes UTF-16LE after an FF FE mark (an odd last byte is dropped),
  // otherwise text in the ANSI code page. Saving writes FF FE and Text as
  // UTF-16LE. Wide lists that need file names beyond the ANSI code page
  // override LoadFromFile and SaveToFile.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
};

using TWideStringsUpdate = TWideStrings::TUpdate;

class TWideStringList : public TStringStore<TWideStrings> {
  VEL_CLASS(TWideStringList, TWideStrings)
};
