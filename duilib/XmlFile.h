// Reading UTF-8 XML files with TinyXML without letting it read past the text.
#pragma once

#include <string>

class TiXmlDocument;

namespace DuiLib {

// Loads `path` into `doc` as UTF-8, as TinyXML's own LoadFile does (line ends
// normalised; bytes that are not UTF-8 are kept and left to the reader of each
// value). TinyXML steps over a UTF-8 lead byte's whole length without looking,
// so a lead byte at the very end took it past its buffer: the text handed to it
// here ends in a run of NULs that any such step lands in.
// False when the file cannot be read or is not well-formed XML.
bool LoadXmlFile(TiXmlDocument& doc, const std::string& path);

}  // namespace DuiLib
