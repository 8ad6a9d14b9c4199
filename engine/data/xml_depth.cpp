// The nesting scan of XML texts. See xml_depth.h for why it exists and what it promises.
#include "data/xml_depth.h"

#include <cctype>
#include <cstring>
#include <vector>

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

// A numeric character reference where the parser decodes it: its bytes [begin, end) in the
// scanned text and the code point it names.
struct NumericReference {
    size_t begin, end;
    unsigned long codePoint;
};

// What a scan collects besides the nesting: the numeric references the parser will decode.
struct ReferenceSink {
    Cursor text = nullptr;                        // the start of the scanned text
    std::vector<NumericReference>* found = nullptr; // null when only the nesting is wanted
};

// Larger code points are all the same to the reader: none names a character.
const unsigned long kBeyondUnicode = 0x110000;

unsigned long DigitValue(unsigned char c) {
    return std::isdigit(c) ? c - '0' : static_cast<unsigned long>(std::tolower(c) - 'a' + 10);
}

// A numeric character reference at p ("&#" and a character), read as the parser reads it: it runs
// to the next ';' wherever that is, and names the value of the digits right before that ';', back
// to the nearest '#' ("&#x": hexadecimal digits back to the nearest 'x'). Past the ';', or null
// where the parser stops with an error.
Cursor AfterNumericReference(Cursor p, unsigned long* codePoint) {
    const bool hexadecimal = p[2] == 'x';
    if (hexadecimal && !p[3]) return nullptr;
    const char* start = reinterpret_cast<const char*>(p + (hexadecimal ? 3 : 2));
    Cursor semicolon = reinterpret_cast<Cursor>(std::strchr(start, ';'));
    if (!semicolon) return nullptr;
    Cursor digits = semicolon;
    for (; digits[-1] != (hexadecimal ? 'x' : '#'); --digits)
        if (!(hexadecimal ? std::isxdigit(digits[-1]) : std::isdigit(digits[-1]))) return nullptr;
    unsigned long value = 0;
    const unsigned long base = hexadecimal ? 16 : 10;
    for (; digits < semicolon && value < kBeyondUnicode; ++digits) value = value * base + DigitValue(*digits);
    *codePoint = value < kBeyondUnicode ? value : kBeyondUnicode;
    return semicolon + 1;
}

// Past one character of a text the parser decodes (element text and quoted attribute values). A
// numeric character reference is one character to the parser, however far it runs, so a '<' or a
// quote inside it ends nothing. At the terminator after a reference the parser cannot read: it
// reads nothing past that.
Cursor AfterDecodedCharacter(Cursor p, const ReferenceSink& sink) {
    if (p[0] != '&' || p[1] != '#' || !p[2]) return p + 1;
    unsigned long codePoint = 0;
    Cursor end = AfterNumericReference(p, &codePoint);
    if (!end) return p + std::strlen(reinterpret_cast<const char*>(p));
    if (sink.found) sink.found->push_back({size_t(p - sink.text), size_t(end - sink.text), codePoint});
    return end;
}

// Past a quoted value whose opening quote is at p.
Cursor AfterQuoted(Cursor p, const ReferenceSink& sink) {
    const unsigned char quote = *p++;
    while (*p && *p != quote) p = AfterDecodedCharacter(p, sink);
    return *p ? p + 1 : p;
}

// An attribute of a declaration: name, '=', quoted or bare value. At the terminator when the
// parser would fail here.
Cursor AfterDeclarationAttribute(Cursor p, const ReferenceSink& sink) {
    while (IsNameChar(*p)) ++p;
    p = SkipWhiteSpace(p);
    if (*p != '=') return p + std::strlen(reinterpret_cast<const char*>(p));
    p = SkipWhiteSpace(p + 1);
    if (*p == '"' || *p == '\'') return AfterQuoted(p, sink);
    while (*p && !std::isspace(*p) && *p != '/' && *p != '>') ++p;
    return p;
}

// Past a declaration ("<?xml" at p). Only its version, encoding and standalone attributes are
// read as attributes (their quoted values may hold '>'); anything else ends at white space or '>'.
Cursor AfterDeclaration(Cursor p, const ReferenceSink& sink) {
    p += 5;
    while (*p) {
        if (*p == '>') return p + 1;
        p = SkipWhiteSpace(p);
        if (StartsWithIgnoringCase(p, "version") || StartsWithIgnoringCase(p, "encoding") ||
            StartsWithIgnoringCase(p, "standalone")) {
            p = AfterDeclarationAttribute(p, sink);
        } else {
            while (*p && *p != '>' && !std::isspace(*p)) ++p;
        }
    }
    return p;
}

// Past an element's start tag (p just after '<'). Quoted values count only right after '=':
// a quote anywhere else makes the parser fail. *empty tells whether the tag ended with "/>".
Cursor AfterStartTag(Cursor p, bool* empty, const ReferenceSink& sink) {
    *empty = false;
    unsigned char previous = 0; // the last character that is not white space
    while (*p) {
        if (*p == '>') return p + 1;
        if (*p == '/' && p[1] == '>') {
            *empty = true;
            return p + 2;
        }
        if ((*p == '"' || *p == '\'') && previous == '=') {
            p = AfterQuoted(p, sink);
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

// The nesting scan, collecting into `sink` the numeric references the parser decodes.
int ScanNesting(const char* text, int limit, const ReferenceSink& sink) {
    Cursor p = reinterpret_cast<Cursor>(text);
    int depth = 0, deepest = 0;
    while (*p) {
        if (*p != '<') {
            // Text runs to the next '<'. Outside every element the parser decodes none of it.
            p = depth > 0 ? AfterDecodedCharacter(p, sink) : p + 1;
        } else if (StartsWith(p, "</")) {
            if (depth > 0) --depth;
            p = After(p + 2, '>');
        } else if (StartsWithIgnoringCase(p, "<?xml")) {
            p = AfterDeclaration(p, sink);
        } else if (StartsWith(p, "<!--")) {
            p = After(p + 4, "-->");
        } else if (StartsWith(p, "<![CDATA[")) {
            p = After(p + 9, "]]>");
        } else if (IsNameStart(p[1])) {
            if (++depth > deepest) deepest = depth;
            if (deepest > limit) return deepest;
            bool empty = false;
            p = AfterStartTag(p + 1, &empty, sink);
            if (empty) --depth;
        } else {
            p = After(p + 1, '>'); // "<!" markup and anything else the parser does not know
        }
    }
    return deepest;
}

} // namespace

int XmlNestingDepth(const char* text, int limit) { return ScanNesting(text, limit, ReferenceSink()); }

// ---- Guarded parse ------------------------------------------------------------------------------

namespace {

const char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// The code points of Windows-1252's bytes 0x80 to 0x9F; 0 where the byte has no character.
const unsigned short kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The Windows-1252 byte of a code point above 0xFF, or 0 when it has none.
unsigned char Windows1252Byte(unsigned long codePoint) {
    for (int i = 0; i < 32; ++i)
        if (kWindows1252High[i] == codePoint) return static_cast<unsigned char>(0x80 + i);
    return 0;
}

// Puts in place of each reference above 0xFF its Windows-1252 byte, or '?'. The parser reads
// either as the one character the reference was, so nothing else about the document changes.
void ReadReferencesAsWindows1252(std::string* text, const std::vector<NumericReference>& references,
                                 CharacterReferenceReport* report) {
    std::string result;
    size_t copied = 0;
    bool changed = false;
    for (const NumericReference& reference : references) {
        if (reference.codePoint <= 0xFF) continue; // the parser's own reading is right
        unsigned char byte = Windows1252Byte(reference.codePoint);
        if (byte)
            ++report->mapped;
        else
            ++report->unrepresentable;
        result.append(*text, copied, reference.begin - copied);
        result += byte ? static_cast<char>(byte) : '?';
        copied = reference.end;
        changed = true;
    }
    if (!changed) return;
    result.append(*text, copied, std::string::npos);
    text->swap(result);
}

// Terminators after the text: a last line of defence should any parser step pass the end.
const size_t kParseGuardBytes = 16;

} // namespace

TiXmlDocument* ParseUntrustedXml(std::string text, const char* documentName, int maxNesting, std::string* problem,
                                 bool* byteOrderMark, CharacterReferenceReport* references) {
    // The document ends at its first NUL, for the scan and the parser alike.
    size_t firstNul = text.find('\0');
    if (firstNul != std::string::npos) text.resize(firstNul);
    bool marked = text.compare(0, 3, kUtf8ByteOrderMark) == 0;
    if (marked) text.erase(0, 3);
    if (byteOrderMark) *byteOrderMark = marked;
    std::vector<NumericReference> found;
    ReferenceSink sink;
    sink.text = reinterpret_cast<Cursor>(text.c_str());
    sink.found = &found;
    if (ScanNesting(text.c_str(), maxNesting, sink) > maxNesting) {
        *problem = "elements are nested more than " + std::to_string(maxNesting) + " levels deep.";
        return nullptr;
    }
    CharacterReferenceReport report;
    ReadReferencesAsWindows1252(&text, found, &report);
    if (references) *references = report;
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
