// The nesting scan of XML texts. See xml_depth.h for why it exists and what it promises.
#include "data/xml_depth.h"

#include <cctype>
#include <cstring>

#include <tinyxml.h>

namespace {

typedef const unsigned char* Cursor;

bool StartsWith(Cursor p, const char* prefix) {
    return std::strncmp(reinterpret_cast<const char*>(p), prefix, std::strlen(prefix)) == 0;
}

bool StartsWithIgnoringCase(Cursor p, const char* prefix) {
    for (; *prefix; ++p, ++prefix)
        if (!*p || std::tolower(*p) != std::tolower(static_cast<unsigned char>(*prefix))) return false;
    return true;
}

// The parser's letters: ASCII letters and every byte from 127 up (parts of multi-byte characters).
bool IsNameStart(unsigned char c) { return c >= 127 || std::isalpha(c) || c == '_'; }

bool IsNameChar(unsigned char c) { return IsNameStart(c) || std::isdigit(c) || c == '-' || c == '.' || c == ':'; }

// White space as the parser skips it. Documents are parsed as single-byte text, where the
// byte-order-mark like sequences that the parser's UTF-8 reading skips are name characters.
Cursor SkipWhiteSpace(Cursor p) {
    while (*p && std::isspace(*p)) ++p;
    return p;
}

// Past the next `end` character, or at the terminator.
Cursor After(Cursor p, char end) {
    while (*p && *p != end) ++p;
    return *p ? p + 1 : p;
}

// Past the next `end` text, or at the terminator.
Cursor After(Cursor p, const char* end) {
    while (*p && !StartsWith(p, end)) ++p;
    return *p ? p + std::strlen(end) : p;
}

// Past a quoted value whose opening quote is at p.
Cursor AfterQuoted(Cursor p) { return After(p + 1, static_cast<char>(*p)); }

// An attribute of a declaration: name, '=', quoted or bare value. At the terminator when the
// parser would fail here.
Cursor AfterDeclarationAttribute(Cursor p) {
    while (IsNameChar(*p)) ++p;
    p = SkipWhiteSpace(p);
    if (*p != '=') return p + std::strlen(reinterpret_cast<const char*>(p));
    p = SkipWhiteSpace(p + 1);
    if (*p == '"' || *p == '\'') return AfterQuoted(p);
    while (*p && !std::isspace(*p) && *p != '/' && *p != '>') ++p;
    return p;
}

// Past a declaration ("<?xml" at p). Only its version, encoding and standalone attributes are
// read as attributes (their quoted values may hold '>'); anything else ends at white space or '>'.
Cursor AfterDeclaration(Cursor p) {
    p += 5;
    while (*p) {
        if (*p == '>') return p + 1;
        p = SkipWhiteSpace(p);
        if (StartsWithIgnoringCase(p, "version") || StartsWithIgnoringCase(p, "encoding") ||
            StartsWithIgnoringCase(p, "standalone")) {
            p = AfterDeclarationAttribute(p);
        } else {
            while (*p && *p != '>' && !std::isspace(*p)) ++p;
        }
    }
    return p;
}

// Past an element's start tag (p just after '<'). Quoted values count only right after '=':
// a quote anywhere else makes the parser fail. *empty tells whether the tag ended with "/>".
Cursor AfterStartTag(Cursor p, bool* empty) {
    *empty = false;
    unsigned char previous = 0; // the last character that is not white space
    while (*p) {
        if (*p == '>') return p + 1;
        if (*p == '/' && p[1] == '>') {
            *empty = true;
            return p + 2;
        }
        if ((*p == '"' || *p == '\'') && previous == '=') {
            p = AfterQuoted(p);
            previous = 0;
            continue;
        }
        Cursor next = SkipWhiteSpace(p);
        if (next != p) {
            p = next;
            continue;
        }
        previous = *p++;
    }
    return p;
}

} // namespace

int XmlNestingDepth(const char* text, int limit) {
    Cursor p = reinterpret_cast<Cursor>(text);
    int depth = 0, deepest = 0;
    while (*p) {
        if (*p != '<') {
            ++p; // text runs to the next '<'
        } else if (StartsWith(p, "</")) {
            if (depth > 0) --depth;
            p = After(p + 2, '>');
        } else if (StartsWithIgnoringCase(p, "<?xml")) {
            p = AfterDeclaration(p);
        } else if (StartsWith(p, "<!--")) {
            p = After(p + 4, "-->");
        } else if (StartsWith(p, "<![CDATA[")) {
            p = After(p + 9, "]]>");
        } else if (IsNameStart(p[1])) {
            if (++depth > deepest) deepest = depth;
            if (deepest > limit) return deepest;
            bool empty = false;
            p = AfterStartTag(p + 1, &empty);
            if (empty) --depth;
        } else {
            p = After(p + 1, '>'); // "<!" markup and anything else the parser does not know
        }
    }
    return deepest;
}

// ---- Guarded parse ------------------------------------------------------------------------------

namespace {

const char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// Terminators after the text: a last line of defence should any parser step pass the end.
const size_t kParseGuardBytes = 16;

} // namespace

TiXmlDocument* ParseUntrustedXml(std::string text, const char* documentName, int maxNesting, std::string* problem,
                                 bool* byteOrderMark) {
    // The document ends at its first NUL, for the scan and the parser alike.
    size_t firstNul = text.find('\0');
    if (firstNul != std::string::npos) text.resize(firstNul);
    bool marked = text.compare(0, 3, kUtf8ByteOrderMark) == 0;
    if (marked) text.erase(0, 3);
    if (byteOrderMark) *byteOrderMark = marked;
    if (XmlNestingDepth(text.c_str(), maxNesting) > maxNesting) {
        *problem = "elements are nested more than " + std::to_string(maxNesting) + " levels deep.";
        return nullptr;
    }
    text.append(kParseGuardBytes, '\0');
    TiXmlDocument* document = documentName ? new TiXmlDocument(documentName) : new TiXmlDocument;
    // Single-byte reading: the engine's texts are Windows-1252, and in its UTF-8 mode TinyXML
    // steps over a multi-byte character by the length its first byte announces without looking
    // at what it steps over, swallowing markup, embedded NULs and the end of the text.
    document->Parse(text.c_str(), nullptr, TIXML_ENCODING_LEGACY);
    if (document->Error()) {
        *problem = document->ErrorDesc();
        delete document;
        return nullptr;
    }
    return document;
}
