// The main object's table of open XML documents.
//
// Ten entries; an XML handle is an entry's index plus 1. Each open entry owns its TinyXML
// document and remembers the current element, the place where reading and writing happen. The
// operations themselves are members of the main object (Nimbrel.XMLOpen and the rest, in
// data/xml_layer.cpp); this header only gives the main object's private block the table, which
// closes whatever documents are still open when the main object goes away.
#ifndef NIMBREL_DATA_XML_LAYER_H
#define NIMBREL_DATA_XML_LAYER_H

class TiXmlDocument;
class TiXmlElement;

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

#endif
