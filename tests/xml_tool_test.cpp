// dpf add-xml, run as skin and game authors run it: a document the engine cannot read never
// reaches the package, and what it stores the engine reads back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "Nimbrel.h"
#include "support/test_support.h"

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

ToolRun RunTool(const std::string& arguments) { return RunDpf(arguments); }

TEST(XmlTool, StoresOnlyDocumentsTheEngineCanRead) {
    ScopedTempDir dir;
    WriteFile("layout.xml", "<layout><button name=\"play\" x=\"10\"/></layout>");
    WriteFile("broken.xml", "<layout><button></layout>");
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<a>";
    WriteFile("deep.xml", deep);
    ASSERT_EQ(0, RunTool("create skin.dpf").status);

    ToolRun broken = RunTool("add-xml skin.dpf broken.xml layout.xml");
    EXPECT_EQ(1, broken.status);
    EXPECT_TRUE(Contains(broken.err, "[Nimbrel.XMLOpen('broken.xml')] Error: ")) << broken.err;
    EXPECT_TRUE(Contains(broken.err, "dpf: broken.xml: the engine cannot read it as an XML document")) << broken.err;
    EXPECT_EQ(1, RunTool("add-xml skin.dpf deep.xml layout.xml").status);
    EXPECT_EQ(1, RunTool("add-xml skin.dpf absent.xml layout.xml").status);
    EXPECT_TRUE(Contains(RunTool("list skin.dpf").out, "0 blocks (0 deleted)"));

    EXPECT_EQ(2, RunTool("add-xml skin.dpf layout.xml").status);
    EXPECT_EQ(2, RunTool("add-xml skin.dpf layout.xml " + std::string(32, 'n')).status);
    EXPECT_EQ(0, RunTool("add-xml --help").status);
    EXPECT_TRUE(Contains(RunTool("--help").out, "dpf add-xml PKG FILE NAME"));

    ToolRun added = RunTool("add-xml skin.dpf layout.xml layout.xml --mode 1");
    EXPECT_EQ(0, added.status) << added.err;
    EXPECT_EQ(0, RunTool("add-xml skin.dpf layout.xml layout.xml --replace").status);

    // The engine reads the stored document back from the package.
    EngineSession session(5, SDL_INIT_TIMER);
    int handle = Nimbrel.XMLOpen((dir.path() + "/skin.dpf").c_str(), "layout.xml");
    ASSERT_GT(handle, 0) << session.Log();
    int x = 0;
    EXPECT_EQ(1, Nimbrel.XMLNodePointTo(handle, 2, "layout", "button"));
    EXPECT_EQ(1, Nimbrel.XMLAttributeGet(handle, "x", &x));
    EXPECT_EQ(10, x);
    Nimbrel.XMLClose(handle);
}

} // namespace
