// Reading untrusted XML safely with TinyXML: how deeply a text's elements nest, found without
// parsing it, and a parse guarded against what TinyXML cannot take.
//
// TinyXML parses, prints, copies and destroys elements recursively, so a hostile document of a
// few hundred thousand nested elements would exhaust the stack. The XML layer measures every text
// with this scan and refuses deep ones before TinyXML sees them.
//
// The scan follows TinyXML's reading of markup (comments, CDATA sections, declarations, other "<!"
// and "<?" markup, quoted attribute values, end tags, numeric character references) so that it
// never finds less nesting than the parser would build; where the two could read a text
// differently, the parser stops with an error at that point, so nothing after it can nest deeper.
#ifndef NIMBREL_DATA_XML_DEPTH_H
#define NIMBREL_DATA_XML_DEPTH_H

#include <string>

class TiXmlDocument;

// The deepest element nesting in the NUL-terminated text. Stops counting (and returns a value
// above `limit`) as soon as the nesting exceeds `limit`.
int XmlNestingDepth(const char* text, int limit);

// What became of the numeric character references above 0xFF in a parsed text. The parser would
// keep only the low byte of their code point; they are read as the Windows-1252 byte of their
// character instead, or as '?' when Windows-1252 has none.
struct CharacterReferenceReport {
    int mapped = 0;          // read as their Windows-1252 byte
    int unrepresentable = 0; // read as '?'
};

// Parses untrusted text into a new document (named documentName, which may be null). Null, with
// the reason in `problem`, when the elements nest deeper than maxNesting or the text is not
// well-formed. The text ends at its first NUL; a leading UTF-8 byte order mark is dropped (and
// reported through byteOrderMark, which may be null); bytes are read one by one as the engine's
// single-byte text, never as multi-byte characters. Character references are read as that text's
// characters, in element text and attribute values where the parser decodes them; `references`
// (may be null) tells what that changed, so the caller can warn about lost characters.
TiXmlDocument* ParseUntrustedXml(std::string text, const char* documentName, int maxNesting, std::string* problem,
                                 bool* byteOrderMark = nullptr, CharacterReferenceReport* references = nullptr);

#endif
