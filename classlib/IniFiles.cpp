#include "IniFiles.h"

#include "FileUtils.h"
#include "Streams.h"
#include "SysUtils.h"
#include "Win.h"

#include <vector>

VEL_CLASS_IMPL(TIniFile, TObject)

namespace {

enum class TLineKind { Other, Section, Key };

// One line of the file as offsets into its text, so that a write can splice
// the text and leave every other byte alone.
struct TIniLine {
  size_t begin = 0;
  size_t end = 0;   // before the line break
  size_t next = 0;  // after the line break
  TLineKind kind = TLineKind::Other;
  std::string name;           // section or key name, trimmed
  size_t valueBegin = 0;      // key lines: just after the '='
  size_t section = SIZE_MAX;  // index of the section header this line belongs to
};

std::string StripQuotes(const std::string& value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// A NUL ends a value, as it ends any C string the file is read into.
std::string CutAtNul(const std::string& s) {
  return s.substr(0, s.find('\0'));
}

class TIniText {
 public:
  explicit TIniText(std::string text) : text_(std::move(text)) { Parse(); }

  const std::string& Text() const { return text_; }

  // The line index of the first key of that name in a section of that name.
  size_t FindKey(const std::string& section, const std::string& key) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
      const TIniLine& line = lines_[i];
      if (line.kind == TLineKind::Key && SameText(line.name, key) && InSection(line, section))
        return i;
    }
    return SIZE_MAX;
  }

  size_t FindSection(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].kind == TLineKind::Section && SameText(lines_[i].name, section))
        return i;
    }
    return SIZE_MAX;
  }

  std::string Value(size_t index) const {
    const TIniLine& line = lines_[index];
    return StripQuotes(Trim(CutAtNul(text_.substr(line.valueBegin, line.end - line.valueBegin))));
  }

  void SetValue(size_t index, const std::string& value) {
    const TIniLine& line = lines_[index];
    Splice(line.valueBegin, line.end, value);
  }

  // Adds the key after the section's last non-blank line, or a new section
  // with the key at the end of the file.
  void AddKey(const std::string& section, const std::string& key, const std::string& value) {
    const std::string entry = key + "=" + value;
    const size_t header = FindSection(section);
    if (header == SIZE_MAX) {
      std::string tail = text_.empty() ? "" : LineBreakNeeded(text_.size()) + "\r\n";
      Splice(text_.size(), text_.size(), tail + "[" + section + "]\r\n" + entry + "\r\n");
      return;
    }
    size_t last = header;
    for (size_t i = header + 1; i < lines_.size() && lines_[i].section == header; ++i) {
      if (!Trim(text_.substr(lines_[i].begin, lines_[i].end - lines_[i].begin)).empty())
        last = i;
    }
    const size_t at = lines_[last].next;
    Splice(at, at, LineBreakNeeded(at) + entry + "\r\n");
  }

  void RemoveLine(size_t index) { Splice(lines_[index].begin, lines_[index].next, ""); }

  void RemoveSection(size_t header) {
    size_t end = lines_[header].next;
    for (size_t i = header + 1; i < lines_.size() && lines_[i].section == header; ++i)
      end = lines_[i].next;
    Splice(lines_[header].begin, end, "");
  }

 private:
  bool InSection(const TIniLine& line, const std::string& section) const {
    return line.section != SIZE_MAX && SameText(lines_[line.section].name, section);
  }

  // A line break before text inserted at position at, when the line ending
  // there has none (the file's last line).
  std::string LineBreakNeeded(size_t at) const {
    return at > 0 && text_[at - 1] != '\n' && text_[at - 1] != '\r' ? "\r\n" : "";
  }

  void Splice(size_t begin, size_t end, const std::string& with) {
    text_.replace(begin, end - begin, with);
    Parse();
  }

  void Parse() {
    lines_.clear();
    size_t section = SIZE_MAX;
    size_t pos = 0;
    while (pos < text_.size()) {
      TIniLine line;
      line.begin = pos;
      line.end = text_.find_first_of("\r\n", pos);
      if (line.end == std::string::npos)
        line.end = text_.size();
      line.next = line.end;
      if (line.next < text_.size() && text_[line.next] == '\r')
        ++line.next;
      if (line.next < text_.size() && text_[line.next] == '\n')
        ++line.next;
      Classify(line);
      if (line.kind == TLineKind::Section)
        section = lines_.size();
      else
        line.section = section;
      lines_.push_back(std::move(line));
      pos = lines_.back().next;
    }
  }

  void Classify(TIniLine& line) const {
    const std::string body = text_.substr(line.begin, line.end - line.begin);
    const std::string trimmed = TrimLeft(body);
    if (trimmed.empty() || trimmed[0] == ';')
      return;
    if (trimmed[0] == '[') {
      const size_t close = trimmed.find(']');
      line.kind = TLineKind::Section;
      line.name = Trim(CutAtNul(trimmed.substr(1, close == std::string::npos ? close : close - 1)));
      return;
    }
    const size_t eq = body.find('=');
    if (eq == std::string::npos)
      return;
    line.kind = TLineKind::Key;
    line.name = Trim(body.substr(0, eq));
    line.valueBegin = line.begin + eq + 1;
  }

  std::string text_;
  std::vector<TIniLine> lines_;
};

bool HasLineBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

TIniFile::TIniFile(const std::string& fileName) : fileName_(ExpandFileName(fileName)) {}

std::string TIniFile::Load() const {
  if (!FileExists(fileName_))
    return "";
  try {
    TFileStream stream(fileName_, fmOpenRead | fmShareDenyNone);
    std::string text(static_cast<size_t>(stream.Size()), '\0');
    if (!text.empty())
      text.resize(static_cast<size_t>(stream.Read(&text[0], static_cast<int32_t>(text.size()))));
    return text;
  } catch (const EStreamError&) {
    return "";
  }
}

// A write that fails halfway leaves the old settings whole.
void TIniFile::Save(const std::string& content) const {
  try {
    TFileReplacement file(fileName_);
    WriteContent(file, content);
    file.Commit();
  } catch (const EOSError& e) {
    Fail(e.Message(), e.ErrorCode());
  }
}

void TIniFile::WriteContent(TFileReplacement& file, const std::string& content) const {
  file.Write(content);
}

void TIniFile::Fail(const std::string& reason, uint32_t errorCode) const {
  throw EIniFileException(Format("Unable to write to %s: %s", fileName_, reason), errorCode);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
  const TIniText text(Load());
  const size_t at = text.FindKey(section, key);
  return at == SIZE_MAX ? defaultValue : text.Value(at);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key,
                          int defaultValue) const {
  return StrToIntDef(ReadString(section, key, ""), defaultValue);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key,
                        bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  if (Trim(section).empty() || Trim(key).empty())
    Fail("empty section or key name");
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      key.find('=') != std::string::npos)
    Fail("line break or '=' in a name or value");
  TIniText text(Load());
  const size_t at = text.FindKey(section, key);
  if (at == SIZE_MAX)
    text.AddKey(Trim(section), Trim(key), value);
  else
    text.SetValue(at, value);
  Save(text.Text());
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const {
  return TIniText(Load()).FindSection(section) != SIZE_MAX;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
  return TIniText(Load()).FindKey(section, key) != SIZE_MAX;
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
  TIniText text(Load());
  const size_t at = text.FindKey(section, key);
  if (at == SIZE_MAX)
    return;
  text.RemoveLine(at);
  Save(text.Text());
}

void TIniFile::EraseSection(const std::string& section) {
  TIniText text(Load());
  const size_t at = text.FindSection(section);
  if (at == SIZE_MAX)
    return;
  text.RemoveSection(at);
  Save(text.Text());
}
