// The launcher's layout document: the shipped layout, the code of each missing item, texts that do
// not fit their buffers, and the rules of custom buttons. Each case edits the shipped layout.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Nimbrel.h"
#include "layout.h"
#include "support/test_support.h"

namespace {

std::string ShippedLayout() { return ReadFile(NIMBREL_SOURCE_DIR "/Tools/skin/layout.xml"); }

// The opening tag of an element (the first one of that name).
size_t TagStart(const std::string& xml, const std::string& element) {
    size_t at = xml.find("<" + element + " ");
    if (at == std::string::npos) at = xml.find("<" + element + ">");
    EXPECT_NE(at, std::string::npos) << element;
    return at;
}

std::string WithoutAttribute(std::string xml, const std::string& element, const std::string& attribute) {
    size_t tag = TagStart(xml, element);
    size_t at = xml.find(" " + attribute + "=\"", tag);
    EXPECT_LT(at, xml.find('>', tag)) << element << " " << attribute;
    size_t end = xml.find('"', at + attribute.size() + 3);
    return xml.erase(at, end + 1 - at);
}

std::string WithAttribute(std::string xml, const std::string& element, const std::string& attribute,
                          const std::string& value) {
    xml = WithoutAttribute(xml, element, attribute);
    return xml.insert(TagStart(xml, element) + 1 + element.size(), " " + attribute + "=\"" + value + "\"");
}

// Removes an element without children, or renames one with children so that it is not found.
std::string WithoutElement(std::string xml, const std::string& element) {
    size_t tag = TagStart(xml, element);
    size_t close = xml.find('>', tag);
    if (xml[close - 1] == '/') return xml.erase(tag, close + 1 - tag);
    size_t endTag = xml.find("</" + element + ">", close);
    xml.replace(endTag + 2, element.size(), "gone");
    return xml.replace(tag + 1, element.size(), "gone");
}

std::string WithCustomButtons(std::string xml, const std::string& children) {
    size_t from = xml.find("<custombuttons>") + std::string("<custombuttons>").size();
    size_t to = xml.find("</custombuttons>");
    return xml.replace(from, to - from, children);
}

int Parse(const std::string& xml, SetupLayout* layout) {
    WriteFile("layout.xml", xml);
    int handle = Nimbrel.XMLOpen("layout.xml");
    EXPECT_GT(handle, 0) << xml;
    int result = ParseLayoutDocument(handle, layout);
    Nimbrel.XMLClose(handle);
    return result;
}

int Parse(const std::string& xml) {
    static SetupLayout layout;
    return Parse(xml, &layout);
}

} // namespace

TEST(Layout, TheShippedLayoutFillsEveryRecord) {
    ScopedTempDir dir;
    SetupLayout layout;
    ASSERT_EQ(Parse(ShippedLayout(), &layout), kLayoutOk);
    EXPECT_STREQ(layout.title, "Nimbrel Demo - Setup");
    EXPECT_STREQ(layout.spriteName, "demo_logo_win");
    EXPECT_STREQ(layout.configPackage, "");
    EXPECT_STREQ(layout.names.bgVideo, "demo_bgvideo");
    EXPECT_STREQ(layout.names.benchmark, "demo_benchmark");
    EXPECT_EQ(layout.save.x, 230);
    EXPECT_EQ(layout.groups[kAudioTab][kFreq44Slot].y, 162); // butfreq44 is slot 4, read third
    EXPECT_EQ(layout.groups[kVideoTab][kRendererX11Slot].state, kStateDisabled);
    EXPECT_EQ(layout.groups[kGeneralTab][kScoreTextSlot].y, 220);
    EXPECT_STREQ(layout.resolutions[2].width, "1024");
    EXPECT_EQ(layout.custom[0].type, 1);
    EXPECT_STREQ(layout.custom[0].graphic, "demo_readme");
    EXPECT_STREQ(layout.custom[1].data, "https://example.org/nimbrel-demo");
    EXPECT_EQ(layout.groups[kGeneralTab][11].x, 146);
    EXPECT_EQ(layout.custom[2].type, -1);
    // Parsing makes no buttons.
    EXPECT_EQ(layout.groups[kGeneralTab][kBenchmarkSlot].id, kNoButton);

    // The fuzzer starts from the shipped layout.
    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/layout_fuzz";
    std::filesystem::create_directories(seeds);
    WriteFile(seeds + "/shipped.xml", ShippedLayout());
}

TEST(Layout, TheFirstMissingItemGivesItsCode) {
    ScopedTempDir dir;
    const std::string xml = ShippedLayout();
    std::string noRoot = xml;
    noRoot.replace(noRoot.find("<layout "), 7, "<lay ").replace(noRoot.find("</layout>"), 9, "</lay>");
    EXPECT_EQ(Parse(noRoot), 10);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "layout", "appname")), 11);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "layout", "setupdpf")), 13);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "layout", "skin")), 15);
    EXPECT_EQ(Parse(WithoutElement(xml, "logotype")), 15);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "logotype", "y")), 18);
    EXPECT_EQ(Parse(WithoutElement(xml, "butplay")), 22);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "butsave", "y")), 27);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "audio", "state")), 37);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "mtfriendly", "state")), 1002);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "pindex", "y")), 1005);
    // Required although this platform never shows a button for it.
    EXPECT_EQ(Parse(WithoutElement(xml, "vidrenderer_quartz")), 2006);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "vidresolution3", "height")), 2018);
    EXPECT_EQ(Parse(WithoutAttribute(xml, "vidmodewindownoframe", "x")), 2052);
    EXPECT_EQ(Parse(WithoutElement(xml, "butfreq44")), 3022);
    EXPECT_EQ(Parse(WithoutElement(xml, "butsoundvol")), 3041);
    // Reading order, not document order: a missing video tab item is found before an audio one.
    EXPECT_EQ(Parse(WithoutElement(WithoutElement(xml, "butmono"), "vidcolordepth16")), 2031);
    // A value that is not a number is missing too.
    EXPECT_EQ(Parse(WithAttribute(xml, "butexit", "x", "left")), 20);
}

TEST(Layout, WithoutItsPackageTheDocumentCannotBeOpened) {
    ScopedTempDir dir;
    EngineSession engine;
    SetupLayout layout;
    EXPECT_EQ(ParseLayout("setup.dpf", "layout.xml", &layout), kLayoutCannotOpen);
    int package = IStuffDPF->Create("setup.dpf");
    ASSERT_GT(package, 0);
    IStuffDPF->Close(package);
    EXPECT_EQ(ParseLayout("setup.dpf", "layout.xml", &layout), kLayoutCannotOpen);
}

TEST(Layout, ATextLongerThanItsBufferCountsAsMissing) {
    ScopedTempDir dir;
    const std::string xml = ShippedLayout();
    SetupLayout layout;
    ASSERT_EQ(Parse(WithAttribute(xml, "layout", "appname", std::string(37, 'a')), &layout), kLayoutOk);
    EXPECT_EQ(std::string(layout.title), std::string(37, 'a') + " - Setup");
    EXPECT_EQ(Parse(WithAttribute(xml, "layout", "appname", std::string(38, 'a'))), 11);
    EXPECT_EQ(Parse(WithAttribute(xml, "layout", "target_win", std::string(74, 't'))), 12);
    EXPECT_EQ(Parse(WithAttribute(xml, "layout", "setupxml", std::string(256, 'x'))), 14);
    ASSERT_EQ(Parse(WithAttribute(xml, "layout", "skin", std::string(20, 's')), &layout), kLayoutOk);
    EXPECT_EQ(std::string(layout.names.tabGeneral), std::string(20, 's') + "_tabgeneral");
    EXPECT_EQ(Parse(WithAttribute(xml, "layout", "skin", std::string(21, 's'))), 15);
    EXPECT_EQ(Parse(WithAttribute(xml, "logotype", "name", std::string(28, 'n'))), 16);
    EXPECT_EQ(Parse(WithAttribute(xml, "vidresolution2", "width", "12800")), 2014);
}

TEST(Layout, CustomButtonsFollowTheirIdTypeAndDuplicateRules) {
    ScopedTempDir dir;
    const std::string xml = ShippedLayout();
    SetupLayout layout;

    ASSERT_EQ(Parse(WithoutElement(xml, "custombuttons"), &layout), kLayoutOk);
    for (const CustomButton& custom : layout.custom) EXPECT_EQ(custom.type, -1);

    const std::string children =
        "<low id='9' x='1' y='1'/>"
        "<first id='10' type='0' x='5' y='6'/>"               // no data: its element name; no state: disabled
        "<again type='2' data='other'/>"                      // no id: keeps 10, a duplicate
        "<high id='17' state='1'/>"
        "<web id='12' type='7' data='https://example.org' state='1' x='7' y='8'/>"
        "<![CDATA[text between]]><!-- a comment -->"
        "<neg id='13' type='-4' state='0'/>"
        "<seventh id='14'/>"
        "<eighth id='15' state='1'/>";
    ASSERT_EQ(Parse(WithCustomButtons(xml, children), &layout), kLayoutOk);
    EXPECT_EQ(layout.custom[0].type, 1);
    EXPECT_STREQ(layout.custom[0].data, "first");
    EXPECT_STREQ(layout.custom[0].graphic, "demo_first");
    EXPECT_EQ(layout.groups[kGeneralTab][10].state, kStateDisabled);
    EXPECT_EQ(layout.groups[kGeneralTab][10].x, 5);
    EXPECT_EQ(layout.custom[1].type, -1);
    EXPECT_EQ(layout.custom[2].type, 2);
    EXPECT_STREQ(layout.custom[2].data, "https://example.org");
    EXPECT_EQ(layout.groups[kGeneralTab][12].state, kStateEnabled);
    EXPECT_EQ(layout.custom[3].type, 1);
    EXPECT_EQ(layout.custom[4].type, 1); // the seventh child
    EXPECT_EQ(layout.custom[5].type, -1); // the eighth is never read
    EXPECT_EQ(layout.groups[kGeneralTab][15].state, kStateEnabled); // untouched slot
    EXPECT_EQ(layout.groups[kGeneralTab][9].x, 0);

    // A graphic name or data that would not fit leaves the button undefined rather than cut; a
    // later child may still define that id.
    const std::string tooLong = "<" + std::string(26, 'g') + " id='10'/>"        // demo_ + 26 = 31: fits
                                "<" + std::string(27, 'g') + " id='11'/>"        // 32: does not
                                "<fine id='12' data='" + std::string(256, 'd') + "'/>"
                                "<later id='12' data='" + std::string(255, 'd') + "'/>";
    ASSERT_EQ(Parse(WithCustomButtons(xml, tooLong), &layout), kLayoutOk);
    EXPECT_EQ(layout.custom[0].type, 1);
    EXPECT_EQ(layout.custom[1].type, -1);
    EXPECT_EQ(std::string(layout.custom[2].data), std::string(255, 'd'));
    EXPECT_STREQ(layout.custom[2].graphic, "demo_later");
}

TEST(Layout, AStateBelowOneDisablesTheButton) {
    ScopedTempDir dir;
    SetupLayout layout;
    ASSERT_EQ(Parse(WithAttribute(ShippedLayout(), "vidrenderer_opengl", "state", "0"), &layout), kLayoutOk);
    EXPECT_EQ(layout.groups[kVideoTab][kRendererOpenGLSlot].state, kStateDisabled);
    ASSERT_EQ(Parse(WithAttribute(ShippedLayout(), "video", "state", "-3"), &layout), kLayoutOk);
    EXPECT_EQ(layout.groups[kVideoTab][kTabSlot].state, kStateDisabled);
    ASSERT_EQ(Parse(WithAttribute(ShippedLayout(), "butmulti", "state", "9"), &layout), kLayoutOk);
    EXPECT_EQ(layout.groups[kAudioTab][kMultiSlot].state, kStateEnabled);
}
