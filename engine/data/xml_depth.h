// How deeply a text's elements nest, found without parsing it.
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

// The deepest element nesting in the NUL-terminated text. Stops counting (and returns a value
// above `limit`) as soon as the nesting exceeds `limit`.
int XmlNestingDepth(const char* text, int limit);

#endif
