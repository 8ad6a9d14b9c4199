// Fuzz target: the nesting scan that guards TinyXML against deep documents must never find less
// nesting than TinyXML actually builds from the same bytes. And reading character references
// above 0xFF as Windows-1252 bytes changes characters only: the parser accepts the text exactly
// when it accepts the bytes as they were, builds the same tree, and when no such reference was
// read the documents are the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include <tinyxml.h>

#include "data/xml_depth.h"

namespace {

int TreeDepth(const TiXmlNode* node) {
    int deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        int depth = TreeDepth(child) + (child->ToElement() ? 1 : 0);
        if (depth > deepest) deepest = depth;
    }
    return deepest;
}

// The tree without its character data: node kinds, element names and attribute names. Text nodes
// are left out too: the parser drops a text of white space only, and the low byte it would have
// kept of a reference may be white space where the Windows-1252 reading never is.
void AppendShape(const TiXmlNode* node, std::string* shape) {
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        if (child->ToText()) continue;
        *shape += static_cast<char>('0' + child->Type());
        if (const TiXmlElement* element = child->ToElement()) {
            *shape += element->ValueStr() + "(";
            for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) *shape += a->NameTStr() + ",";
            AppendShape(child, shape);
            *shape += ")";
        }
    }
}

std::string Printed(const TiXmlDocument& document) {
    TiXmlPrinter printer;
    document.Accept(&printer);
    return printer.Str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return 0; // deep enough to matter, shallow enough for the parser's stack
    std::string text(reinterpret_cast<const char*>(data), size);
    const int unlimited = 1 << 20;
    int scanned = XmlNestingDepth(text.c_str(), unlimited);
    std::string problem;
    bool byteOrderMark = false;
    CharacterReferenceReport references;
    TiXmlDocument* document = ParseUntrustedXml(text, nullptr, unlimited, &problem, &byteOrderMark, &references);
    if (document && TreeDepth(document) > scanned) std::abort();

    // The same bytes handed to the parser as they were: up to the first NUL, without the mark.
    std::string plainText = text.substr(0, text.find('\0'));
    if (byteOrderMark) plainText.erase(0, 3);
    TiXmlDocument plain;
    plain.Parse(plainText.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (plain.Error() == (document != nullptr)) std::abort();
    if (document) {
        std::string ours, theirs;
        AppendShape(document, &ours);
        AppendShape(&plain, &theirs);
        if (ours != theirs) std::abort();
        if (references.mapped + references.unrepresentable == 0 && Printed(*document) != Printed(plain)) std::abort();
    }
    delete document;
    return 0;
}
