// Reading UTF-8 XML files for TinyXML without handing it broken UTF-8.
#pragma once

#include <string>

class TiXmlDocument;

namespace DuiLib {

// True when every multi-byte sequence of `text` is complete and well-formed.
// TinyXML steps over a lead byte's whole length without looking, so a lead
// byte at the end of the text makes it read past the buffer.
bool IsWellFormedUtf8(const std::string& text);

// Loads `path` into `doc` as UTF-8 (line ends normalised as TinyXML's own
// LoadFile does). False when the file cannot be read, is not well-formed
// UTF-8 or not well-formed XML.
bool LoadXmlFile(TiXmlDocument& doc, const std::string& path);

}  // namespace DuiLib
