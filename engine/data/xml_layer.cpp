// The main object's XML layer: a handle-based layer over TinyXML for documents on disk and
// documents stored as "FILE" blocks of DPF packages.
//
// Owns the table of open documents and the Nimbrel.XML* operations. Callers never see TinyXML
// objects: they hold a handle and move the document's current element through the tree.
//
// Documents are printed to memory by TinyXML's own SaveFile and then written by the platform
// layer (a file replaced in one step) or handed to IStuffDPF (a package block), so no
// intermediate file is ever needed.
#include <tinyxml.h>

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "Nimbrel.h"
#include "data/xml_depth.h"
#include "platform/atomic_file.h"
#include "platform/file_io.h"
#include "platform/filesystem.h"
#include "platform/memory_stream.h"

// ---- The table ----------------------------------------------------------------------------------

// Ten entries; an XML handle is an entry's index plus 1. Each open entry owns its TinyXML
// document and remembers the current element, the place where reading and writing happen.
namespace {

struct XmlEntry {
    TiXmlDocument* document = nullptr; // owned; null when the entry is free
    TiXmlElement* current = nullptr;   // inside document, or null
    bool byteOrderMark = false;        // read with a UTF-8 byte order mark, written back with it
};

class XmlTable {
public:
    static const int kSize = 10;

    XmlTable() = default;
    ~XmlTable(); // closes every document still open
    XmlTable(const XmlTable&) = delete;
    XmlTable& operator=(const XmlTable&) = delete;

    // The open entry behind a handle, or null for a handle outside 1..10 or a free entry.
    XmlEntry* Open(int handle);
    // The index of the first free entry, or -1 when all ten are in use.
    int FirstFree() const;
    XmlEntry& At(int index) { return entries[index]; }
    // Destroys the entry's document and frees the entry.
    void Free(XmlEntry& entry);

private:
    XmlEntry entries[kSize];
};

// The documents belong to the process, like the main object whose operations use them; any still
// open when the process ends are closed then.
XmlTable& Documents() {
    static XmlTable table;
    return table;
}

XmlTable::~XmlTable() {
    for (XmlEntry& entry : entries) Free(entry);
}

XmlEntry* XmlTable::Open(int handle) {
    if (handle < 1 || handle > kSize) return nullptr;
    XmlEntry& entry = entries[handle - 1];
    return entry.document ? &entry : nullptr;
}

int XmlTable::FirstFree() const {
    for (int i = 0; i < kSize; ++i)
        if (!entries[i].document) return i;
    return -1;
}

void XmlTable::Free(XmlEntry& entry) {
    delete entry.document;
    entry = XmlEntry();
}

} // namespace

namespace {

const char kBlockType[] = "FILE";
// Deeper documents are refused: TinyXML's recursion would run out of stack long before a real
// document needed this many levels.
const int kMaxNesting = 256;

const char* Text(const char* text) { return text ? text : ""; }

const char* PackageName(int package) {
    return ::IStuffDPF ? Text(::IStuffDPF->GetName(package)) : "";
}

// The entry's current element, or null after logging that there is none.
TiXmlElement* PointedElement(XmlEntry& entry, const char* operation, int handle) {
    if (!entry.current)
        ILogSystem.Msg(0, " . [Nimbrel.%s(%d)] Error: there is not an element pointed.\n", operation, handle - 1);
    return entry.current;
}

// The text TinyXML gives for a file it cannot open, so a failed read reads like a failed load.
std::string OpeningErrorText() {
    TiXmlDocument scratch;
    scratch.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
    return scratch.ErrorDesc();
}

// Line ends as TinyXML's own file loading leaves them: CR LF and a lone CR both become LF.
void NormalizeLineEnds(std::string* text) {
    std::string& s = *text;
    size_t out = 0;
    for (size_t in = 0; in < s.size(); ++in) {
        if (s[in] == '\r') {
            s[out++] = '\n';
            if (in + 1 < s.size() && s[in + 1] == '\n') ++in;
        } else {
            s[out++] = s[in];
        }
    }
    s.resize(out);
}

bool PrintDocument(FILE* stream, const void* document) {
    return static_cast<const TiXmlDocument*>(document)->SaveFile(stream);
}

// The document as TinyXML's SaveFile writes it, with the byte order mark it was read with, in
// memory. False when it cannot be printed.
bool Render(const XmlEntry& entry, std::string* bytes) {
    if (!PrintToMemory(PrintDocument, entry.document, bytes)) return false;
    if (entry.byteOrderMark) bytes->insert(0, "\xEF\xBB\xBF");
    return true;
}

// A decimal integer as "%d" reads it (leading blanks, optional sign, digits, anything after them
// ignored), but limited to the int range instead of wrapping. False when there are no digits.
bool ParseDecimal(const char* text, int* value) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (std::isspace(*p)) ++p;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (!std::isdigit(*p)) return false;
    long long magnitude = 0;
    for (; std::isdigit(*p); ++p)
        if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (*p - '0');
    long long number = negative ? -magnitude : magnitude;
    *value = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
    return true;
}

// The warning for references the document's text has no character for. `document` names it as
// the opening operation does: 'file' or 'package','block'.
void WarnAboutLostCharacters(const CharacterReferenceReport& references, const std::string& document) {
    if (references.unrepresentable > 0)
        ILogSystem.Msg(2, " . [Nimbrel.XMLOpen(%s)] Warning: %d character reference(s) have no Windows-1252 character "
                          "and read as '?'.\n",
                       document.c_str(), references.unrepresentable);
}

// A block record for the "FILE" block `name`. A name too long for the record is copied without
// a terminator, so the package layer refuses it with its own message.
DPFBlock BlockRecord(const char* name) {
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::memcpy(block.type, kBlockType, sizeof kBlockType);
    size_t length = std::strlen(name);
    std::memcpy(block.name, name, length < sizeof block.name ? length : sizeof block.name);
    return block;
}

} // namespace

// ---- Opening and creating -----------------------------------------------------------------------

int Nimbrel::XMLOpen(const char* path) {
    if (!path) return 0;
    XmlTable& table = Documents();
    int index = table.FirstFree();
    if (index < 0) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s')] Error: reached maximum limit of XML opened(%d)\n", path,
                       XmlTable::kSize);
        return 0;
    }
    try {
        std::string text;
        if (!ReadWholeFile(path, &text)) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s')] Error: %s\n", path, OpeningErrorText().c_str());
            return 0;
        }
        NormalizeLineEnds(&text);
        std::string problem;
        bool byteOrderMark = false;
        CharacterReferenceReport references;
        TiXmlDocument* document = ParseUntrustedXml(text, path, kMaxNesting, &problem, &byteOrderMark, &references);
        if (!document) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s')] Error: %s\n", path, problem.c_str());
            return 0;
        }
        WarnAboutLostCharacters(references, "'" + std::string(path) + "'");
        XmlEntry& entry = table.At(index);
        entry.document = document;
        entry.byteOrderMark = byteOrderMark;
        return index + 1;
    } catch (const std::exception& problem) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s')] Error: %s\n", path, problem.what());
        return 0;
    }
}

int Nimbrel::XMLOpen(int package, const char* name) {
    if (package <= 0 || !name) return 0;
    if (startTicks == kNotStarted) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s','%s')] Error: Nimbrel was not initialized. Aborting the XML load.\n",
                       PackageName(package), name);
        return 0;
    }
    XmlTable& table = Documents();
    int index = table.FirstFree();
    if (index < 0) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s','%s')] Error: reached maximum limit of XML opened(%d)\n",
                       PackageName(package), name, XmlTable::kSize);
        return 0;
    }
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    int size = ::IStuffDPF->LoadBlock(package, kBlockType, name, &block);
    if (size <= 0 || !block.data) {
        std::free(block.data);
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s','%s')] Error: block not found in the given DPF.\n",
                       PackageName(package), name);
        return 0;
    }
    try {
        // The block carries no terminator: the copy supplies one, and nothing past the block's
        // original size is ever looked at.
        std::string text(reinterpret_cast<const char*>(block.data), static_cast<size_t>(size));
        std::free(block.data);
        block.data = nullptr;
        std::string problem;
        bool byteOrderMark = false;
        CharacterReferenceReport references;
        TiXmlDocument* document = ParseUntrustedXml(text, nullptr, kMaxNesting, &problem, &byteOrderMark, &references);
        if (!document) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s','%s')] Error: %s\n", PackageName(package), name,
                           problem.c_str());
            return 0;
        }
        WarnAboutLostCharacters(references, "'" + std::string(PackageName(package)) + "','" + name + "'");
        XmlEntry& entry = table.At(index);
        entry.document = document;
        entry.byteOrderMark = byteOrderMark;
        return index + 1;
    } catch (const std::exception& problem) {
        std::free(block.data);
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s','%s')] Error: %s\n", PackageName(package), name, problem.what());
        return 0;
    }
}

int Nimbrel::XMLOpen(const char* packageFile, const char* name) {
    if (!packageFile || !name) return 0;
    if (startTicks == kNotStarted) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLOpen('%s','%s')] Error: Nimbrel was not initialized. Aborting the XML load.\n",
                       packageFile, name);
        return 0;
    }
    int package = ::IStuffDPF->Open(packageFile);
    if (package <= 0) return 0;
    int handle = XMLOpen(package, name);
    ::IStuffDPF->Close(package);
    return handle;
}

int Nimbrel::XMLCreate(const char* rootName) {
    if (startTicks == kNotStarted) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLCreate()] Error: Nimbrel was not initialized. Aborting the XML load.\n");
        return 0;
    }
    if (!rootName) return 0;
    XmlTable& table = Documents();
    int index = table.FirstFree();
    if (index < 0) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLCreate()] Error: reached maximum limit of XML opened(%d)\n", XmlTable::kSize);
        return 0;
    }
    try {
        TiXmlDocument* document = new TiXmlDocument;
        document->LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "yes"));
        document->LinkEndChild(new TiXmlElement(rootName));
        TiXmlElement* root = document->FirstChildElement();
        if (document->Error() || !root) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLCreate()] Error: %s\n", document->ErrorDesc());
            delete document;
            return 0;
        }
        XmlEntry& entry = table.At(index);
        entry.document = document;
        entry.current = root;
        return index + 1;
    } catch (const std::exception& problem) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLCreate()] Error: %s\n", problem.what());
        return 0;
    }
}

void Nimbrel::XMLClose(int handle) {
    if (XmlEntry* entry = Documents().Open(handle)) Documents().Free(*entry);
}

// ---- Saving -------------------------------------------------------------------------------------

int Nimbrel::XMLSave(int handle, const char* path) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !path) return 0;
    try {
        std::string bytes;
        if (!Render(*entry, &bytes)) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s')] Error: the document could not be printed.\n", handle, path);
            return 0;
        }
        MakePath(path);
        if (!ReplaceFileAtomically(path, bytes.data(), bytes.size())) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s')] Error: %s\n", handle, path, LastFileErrorText());
            return 0;
        }
        return 1;
    } catch (const std::exception& problem) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s')] Error: %s\n", handle, path, problem.what());
        return 0;
    }
}

int Nimbrel::XMLSave(int handle, int package, const char* name) {
    if (startTicks == kNotStarted) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s','%s')] Error: Nimbrel was not initialized. Aborting the XML save.\n",
                       handle, PackageName(package), Text(name));
        return 0;
    }
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || package <= 0 || !name) return 0;
    try {
        std::string bytes;
        if (!Render(*entry, &bytes)) {
            ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s','%s')] Error: the document could not be printed.\n", handle,
                           PackageName(package), name);
            return 0;
        }
        DPFBlock block = BlockRecord(name);
        // A document that replaces an older one keeps that one's storage mode; a new one is
        // compressed. Replace writes the new block before it marks the old one deleted, so a
        // failure at any step leaves the old document in the package.
        bool replacing = ::IStuffDPF->FindBlock(package, &block) == 1;
        if (!replacing) block.mode = DPFBlock::kCompressed;
        block.originalSize = static_cast<Uint32>(bytes.size());
        block.data = reinterpret_cast<Uint8*>(&bytes[0]);
        return replacing ? ::IStuffDPF->Replace(package, &block) : ::IStuffDPF->AddData(package, &block);
    } catch (const std::exception& problem) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s','%s')] Error: %s\n", handle, PackageName(package), name,
                       problem.what());
        return 0;
    }
}

int Nimbrel::XMLSave(int handle, const char* packageFile, const char* name) {
    if (startTicks == kNotStarted) {
        ILogSystem.Msg(0, " . [Nimbrel.XMLSave(%d,'%s','%s')] Error: Nimbrel was not initialized. Aborting the XML save.\n",
                       handle, Text(packageFile), Text(name));
        return 0;
    }
    // Checked before the package is touched, so a call that cannot save creates no package.
    if (!Documents().Open(handle) || !packageFile || !name) return 0;
    int package = PathExists(packageFile) ? ::IStuffDPF->Open(packageFile) : ::IStuffDPF->Create(packageFile);
    if (package <= 0) return 0;
    int result = XMLSave(handle, package, name);
    ::IStuffDPF->Close(package);
    return result;
}

// ---- Navigation ---------------------------------------------------------------------------------

int Nimbrel::XMLNodePointTo(int handle, int count, ...) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || count < 1) return 0;
    va_list names;
    va_start(names, count);
    TiXmlNode* parent = entry->document;
    TiXmlElement* found = nullptr;
    for (int i = 0; i < count && parent; ++i) {
        const char* name = va_arg(names, const char*);
        found = name ? parent->FirstChildElement(name) : nullptr;
        parent = found;
    }
    va_end(names);
    if (!found) return 0;
    entry->current = found;
    return 1;
}

int Nimbrel::XMLNodeNext(int handle) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLNodeNext", handle)) return 0;
    TiXmlElement* next = entry->current->NextSiblingElement();
    if (!next) return 0;
    entry->current = next;
    return 1;
}

int Nimbrel::XMLNodeParent(int handle) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLNodeParent", handle)) return 0;
    TiXmlNode* parent = entry->current->Parent();
    TiXmlElement* element = parent ? parent->ToElement() : nullptr;
    if (!element) return 0;
    entry->current = element;
    return 1;
}

int Nimbrel::XMLNodeChild(int handle) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLNodeChild", handle)) return 0;
    TiXmlElement* child = entry->current->FirstChildElement();
    if (!child) return 0;
    entry->current = child;
    return 1;
}

int Nimbrel::XMLNodeCreate(int handle, const char* name) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLNodeCreate", handle) || !name) return 0;
    TiXmlNode* inserted = entry->current->InsertEndChild(TiXmlElement(name));
    TiXmlElement* element = inserted ? inserted->ToElement() : nullptr;
    if (!element) return 0;
    entry->current = element;
    return 1;
}

const char* Nimbrel::XMLNodeGetName(int handle) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLNodeGetName", handle)) return nullptr;
    return entry->current->Value();
}

// ---- Attributes, text and comments --------------------------------------------------------------

int Nimbrel::XMLAttributeSet(int handle, const char* name, int value) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLAttributeSet", handle) || !name) return 0;
    entry->current->SetAttribute(name, value);
    return 1;
}

int Nimbrel::XMLAttributeGet(int handle, const char* name, const char** text) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLAttributeGet", handle) || !name || !text) return 0;
    *text = entry->current->Attribute(name);
    return *text ? 1 : 0;
}

int Nimbrel::XMLAttributeGet(int handle, const char* name, int* value) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLAttributeGet", handle) || !name || !value) return 0;
    const char* text = entry->current->Attribute(name);
    return text && ParseDecimal(text, value) ? 1 : 0;
}

int Nimbrel::XMLTextSet(int handle, const char* text) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLTextSet", handle) || !text) return 0;
    for (TiXmlNode* child = entry->current->FirstChild(); child; child = child->NextSibling()) {
        if (TiXmlText* existing = child->ToText()) {
            existing->SetValue(std::string(existing->Value()) + text);
            return 1;
        }
    }
    return entry->current->InsertEndChild(TiXmlText(text)) ? 1 : 0;
}

int Nimbrel::XMLCommentSet(int handle, const char* text) {
    XmlEntry* entry = Documents().Open(handle);
    if (!entry || !PointedElement(*entry, "XMLCommentSet", handle) || !text) return 0;
    TiXmlComment comment;
    comment.SetValue(text);
    TiXmlNode* first = entry->current->FirstChild();
    TiXmlNode* inserted = first ? entry->current->InsertBeforeChild(first, comment) : entry->current->InsertEndChild(comment);
    return inserted ? 1 : 0;
}
