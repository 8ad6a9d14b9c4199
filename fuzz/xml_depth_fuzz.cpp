// Fuzz target: the nesting scan that guards TinyXML against deep documents must never find less
// nesting than TinyXML actually builds from the same bytes.
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return 0; // deep enough to matter, shallow enough for the parser's stack
    std::string text(reinterpret_cast<const char*>(data), size);
    const int unlimited = 1 << 20;
    int scanned = XmlNestingDepth(text.c_str(), unlimited);
    std::string problem;
    TiXmlDocument* document = ParseUntrustedXml(text, nullptr, unlimited, &problem);
    if (document && TreeDepth(document) > scanned) std::abort();
    delete document;
    return 0;
}
