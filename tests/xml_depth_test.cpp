// The nesting scan that keeps hostile documents from exhausting the parser's stack: it must never
// find less nesting than TinyXML builds, and the XML layer must refuse deep documents.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "data/xml_depth.h"
#include "support/test_support.h"

namespace {

int TreeDepth(const TiXmlNode* node) {
    int deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        int depth = TreeDepth(child) + (child->ToElement() ? 1 : 0);
        if (depth > deepest) deepest = depth;
    }
    return deepest;
}

std::string Nested(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i) text += "<a>";
    for (int i = 0; i < levels; ++i) text += "</a>";
    return text;
}

TEST(XmlNesting, TheScanNeverFindsLessThanTheParserBuilds) {
    // Markup whose characters could be taken for tags: each would hide nesting if misread.
    const char* documents[] = {
        "<a><b><c/></b><d>text</d></a>",
        "<a x=\"/>\" y='</a>'><b><c/></b></a>",
        "<a x = \"></a></a>\"><b/></a>",
        "<a><!-- </a></a> --><b><c/></b></a>",
        "<a><![CDATA[</a></a>]]><b><c/></b></a>",
        "<?xml version=\"1.0 ></a></a>\" ?><a><b><c/></b></a>",
        "<?XML encoding='></a>' ?><a><b/></a>",
        "<!DOCTYPE a [ <!ELEMENT a ANY> ]><a><b><c/></b></a>",
        "<a><?pi </a> ?><b><c/></b></a>",
        "\xEF\xBB\xBF<a\xEF\xBB\xBF x\xEF\xBB\xBF=\xEF\xBB\xBF\"</a>\"><b><c/></b></a>",
        "<a><\xC3\xA9><_x/></\xC3\xA9></a>",
        "<a x=1/><b y=2><c/></b>",
        "<a></b><c><d><e/></d></c></a>",
    };
    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/xml_depth_fuzz";
    std::filesystem::create_directories(seeds);
    int seed = 0;
    for (const char* text : documents) {
        SCOPED_TRACE(text);
        WriteFile(seeds + "/tricky" + std::to_string(seed++) + ".xml", text); // the fuzzer starts from these
        TiXmlDocument document;
        document.Parse(text, nullptr, TIXML_ENCODING_UNKNOWN);
        int scanned = XmlNestingDepth(text, 1000);
        if (!document.Error()) {
            EXPECT_LE(TreeDepth(&document), scanned);
        }
        EXPECT_GE(scanned, 2); // every document hides nesting of at least two levels
    }
}

TEST(XmlNesting, TheScanStopsAtTheLimit) {
    std::string deep(300000, '\0');
    for (size_t i = 0; i + 3 <= deep.size(); i += 3) deep.replace(i, 3, "<a>");
    EXPECT_EQ(257, XmlNestingDepth(deep.c_str(), 256));
    EXPECT_EQ(256, XmlNestingDepth(Nested(256).c_str(), 256));
    EXPECT_EQ(0, XmlNestingDepth("plain text < 3 > 2 </a>", 256));
}

// A numeric reference is read as the parser reads it: from "&#" to the next ';' wherever that is,
// naming the digits right before the ';'; and only in element text and attribute values.
TEST(XmlReferences, AreReadWhereAndHowTheParserReadsThem) {
    struct Case {
        const char* text;
        const char* rootText;  // null: none
        const char* attribute; // a's value
        int read;              // references above 0xFF read
    } cases[] = {
        {"<r>&#65 &#8364;&#99999999999999999999;</r>", "\x80?", nullptr, 2}, // "&#65 &#8364;" is one
        {"<r a='&#' b='#8482;'/>", nullptr, "\x99", 1},  // running past the quote
        {"<r>&#<b>#8482;</r>", "\x99", nullptr, 1},      // and past what looks like a tag
        {"<r><![CDATA[&#8364;]]><!--&#8482;--><?pi &#8482;?></r>&#8482;", "&#8364;", nullptr, 0},
    };
    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/xml_depth_fuzz";
    std::filesystem::create_directories(seeds);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        WriteFile(seeds + "/reference" + std::to_string(&c - cases) + ".xml", c.text);
        std::string problem;
        CharacterReferenceReport report;
        std::unique_ptr<TiXmlDocument> document(ParseUntrustedXml(c.text, nullptr, 256, &problem, nullptr, &report));
        ASSERT_NE(nullptr, document) << problem;
        const TiXmlElement* root = document->RootElement();
        EXPECT_EQ(nullptr, root->FirstChildElement());
        EXPECT_STREQ(c.rootText, root->GetText());
        EXPECT_STREQ(c.attribute, root->Attribute("a"));
        EXPECT_EQ(nullptr, root->Attribute("b"));
        EXPECT_EQ(c.read, report.mapped + report.unrepresentable);
    }
    // The parser stops at a reference it cannot read ("&#1 &#x4E2D;" has a letter before its ';'),
    // so one after it is never read: reading that one would hand the first a ';' of its own.
    std::string problem;
    EXPECT_EQ(nullptr, ParseUntrustedXml("<r>&#1 &#x4E2D;&#65;</r>", nullptr, 256, &problem));
}

TEST(XmlNesting, DeepDocumentsAreRefusedAndShallowOnesOpen) {
    ScopedTempDir dir;
    EngineSession session(5, SDL_INIT_TIMER);
    std::string deep;
    for (int i = 0; i < 200000; ++i) deep += "<a>";
    WriteFile(dir.File("deep.xml"), deep);
    WriteFile(dir.File("deepest.xml"), Nested(256));
    WriteFile(dir.File("too_deep.xml"), Nested(257));
    EXPECT_EQ(0, Nimbrel.XMLOpen(dir.File("deep.xml").c_str()));
    EXPECT_EQ(0, Nimbrel.XMLOpen(dir.File("too_deep.xml").c_str()));
    int handle = Nimbrel.XMLOpen(dir.File("deepest.xml").c_str());
    EXPECT_GT(handle, 0);
    Nimbrel.XMLClose(handle);
    EXPECT_NE(std::string::npos, session.Log().find("too_deep.xml')] Error: elements are nested more than 256 levels deep.\n"));

    // The same guard stands before documents read from packages.
    int package = IStuffDPF->Create(dir.File("deep.dpf").c_str());
    DPFBlock block = {};
    std::strcpy(block.name, "deep.xml");
    std::strcpy(block.type, "FILE");
    block.mode = DPFBlock::kCompressed;
    block.originalSize = Uint32(deep.size());
    block.data = reinterpret_cast<Uint8*>(&deep[0]);
    ASSERT_GT(IStuffDPF->AddData(package, &block), 0);
    EXPECT_EQ(0, Nimbrel.XMLOpen(package, "deep.xml"));
    IStuffDPF->Close(package);
    EXPECT_NE(std::string::npos, session.Log().find("','deep.xml')] Error: elements are nested more than 256 levels deep.\n"));
}

} // namespace
