// Reading untrusted XML safely with TinyXML: how deeply a text's elements nest, found without
// parsing it, and a parse guarded against what TinyXML cannot take.
//
// TinyXML parses, prints, copies and destroys elements recursively, so a hostile document of a
// few hundred thousand nested elements would exhaust the stack. The XML layer measures every text
// with this scan and refuses deep ones before TinyXML sees them.
//
// The scan follows TinyXML's reading of markup (comments, CDATA sections, declarations, other "<!"
// and "<?" markup, quoted attribute values, end tags) so that it never finds less nesting than
// the parser would build; where the two could read a text differently, the parser stops with an
// error at that point, so nothing after it can nest deeper.
#ifndef NIMBREL_DATA_XML_DEPTH_H
#define NIMBREL_DATA_XML_DEPTH_H

#include <string>

class TiXmlDocument;

// The deepest element nesting in the NUL-terminated text. Stops counting (and returns a value
// above `limit`) as soon as the nesting exceeds `limit`.
int XmlNestingDepth(const char* text, int limit);

// Parses untrusted text into a new document (named documentName, which may be null). Null, with
// the reason in `problem`, when the elements nest deeper than maxNesting or the text is not
// well-formed. The text ends at its first NUL; a leading UTF-8 byte order mark is dropped (and
// reported through byteOrderMark, which may be null); bytes are read one by one as the engine's
// single-byte text, never as multi-byte characters.
TiXmlDocument* ParseUntrustedXml(std::string text, const char* documentName, int maxNesting, std::string* problem,
                                 bool* byteOrderMark = nullptr);

#endif
