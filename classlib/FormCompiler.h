// Form descriptions: the text a form is written in, and its conversion into
// the binary value stream the component reader reads. No Win32 here, so the
// conversion builds for any host.
//
//   object MainForm: TMainForm          (or "object TMainForm" without a name)
//     Caption = 'Caf'#233' au lait'      strings: UTF-8, '' for a quote,
//       + ' and more'                   #nnn / #$hhhh UTF-16 units, + joins
//     Left = -8                         integers: decimal or $hex, 32 bits
//     Visible = True                    True, False, nil
//     Align = alClient                  identifiers: enumeration values,
//     OnClick = FormClick                 handlers, component names
//     Font.Style = [fsBold, fsItalic]   sets; dotted names reach sub-objects
//     Lines.Strings = ('one' 'two')     lists of values
//     Panels = <                        collections of items
//       item
//         Width = 80
//       end>
//     Data = {0A1B 2C}                  binary, in hex
//     object Button1: TButton           child components, after the
//       ...                             properties
//     end
//   end
//
// A string of ASCII characters only becomes an 8-bit string value (the long
// form beyond 255 bytes); any other character makes it a wide string, so the
// result never depends on the ANSI code page.
#pragma once

#include "SysUtils.h"

#include <cstdint>
#include <string>

// The binary stream: kFormSignature, then the root component. A component is
// its class name and its name (short strings: a length byte and the bytes),
// its properties (each a short-string name, dotted for sub-objects, and a
// tagged value), an empty name, its child components, and an empty class name.
extern const char kFormSignature[4];

// The tag before every value.
enum TValueType : uint8_t {
  vaNull = 0,  // end of a list, of properties, of components
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaString = 6,  // length byte, 8-bit characters
  vaIdent = 7,   // length byte: enumeration value, handler or component name
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,   // 4-byte length, bytes
  vaSet = 11,      // identifiers, ended by an empty one
  vaLString = 12,  // 4-byte length, 8-bit characters
  vaNil = 13,
  vaCollection = 14,  // items, each vaList + properties + vaNull; vaNull ends
  vaWString = 18,     // 4-byte length in UTF-16 units, the units
};

// Raised with the line number and what is wrong.
VEL_EXCEPTION_CLASS(EParserError, Exception);

// The binary stream for a form text (UTF-8, an optional byte-order mark).
std::string FormTextToBinary(const std::string& text);
