// The main object's XML layer: the document table and its handles, the current element and its
// messages, attribute, text and comment editing, saving to files and into packages.
#include <gtest/gtest.h>

#include <tinyxml.h>

#include <climits>
#include <csignal>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <thread>

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dpf_test_util.h"
#include "support/child_process.h"

using namespace dpftest;

namespace {

class XmlLayer : public ::testing::Test {
protected:
    ScopedTempDir dir;
    EngineSession session{5, SDL_INIT_TIMER};

    // Every test leaves the process-wide table empty for the next one.
    void TearDown() override {
        for (int handle = 1; handle <= 10; ++handle) Nimbrel.XMLClose(handle);
    }

    int OpenText(const std::string& name, const std::string& text) {
        WriteFile(dir.File(name), text);
        return Nimbrel.XMLOpen(dir.File(name).c_str());
    }

    // The document as it is saved to a file.
    std::string Saved(int handle) {
        std::string path = dir.File("saved.xml");
        EXPECT_EQ(1, Nimbrel.XMLSave(handle, path.c_str()));
        return ReadFile(path);
    }

    size_t LogSize() { return session.Log().size(); }
    std::string LogSince(size_t offset) { return session.Log().substr(offset); }
};

TEST_F(XmlLayer, TenDocumentsAtOnceAndAFreedHandleIsReused) {
    for (int expected = 1; expected <= 10; ++expected) ASSERT_EQ(expected, Nimbrel.XMLCreate("root"));

    size_t before = LogSize();
    EXPECT_EQ(0, Nimbrel.XMLCreate("root"));
    WriteFile(dir.File("a.xml"), "<a/>");
    EXPECT_EQ(0, Nimbrel.XMLOpen(dir.File("a.xml").c_str()));
    std::string log = LogSince(before);
    EXPECT_NE(std::string::npos, log.find(" . [Nimbrel.XMLCreate()] Error: reached maximum limit of XML opened(10)\n"));
    EXPECT_NE(std::string::npos, log.find(" . [Nimbrel.XMLOpen('" + dir.File("a.xml") +
                                          "')] Error: reached maximum limit of XML opened(10)\n"));

    Nimbrel.XMLClose(4);
    EXPECT_EQ(4, Nimbrel.XMLOpen(dir.File("a.xml").c_str()));
    EXPECT_EQ(0, Nimbrel.XMLCreate("root"));
}

TEST_F(XmlLayer, HandlesThatAreNotOpenDoNothingAndSayNothing) {
    int closed = Nimbrel.XMLCreate("root");
    Nimbrel.XMLClose(closed);
    size_t before = LogSize();
    for (int handle : {0, 11, -3, closed}) {
        SCOPED_TRACE(handle);
        int number = 5;
        const char* text = "untouched";
        EXPECT_EQ(0, Nimbrel.XMLNodePointTo(handle, 1, "root"));
        EXPECT_EQ(0, Nimbrel.XMLNodeNext(handle));
        EXPECT_EQ(0, Nimbrel.XMLNodeParent(handle));
        EXPECT_EQ(0, Nimbrel.XMLNodeChild(handle));
        EXPECT_EQ(0, Nimbrel.XMLNodeCreate(handle, "x"));
        EXPECT_EQ(nullptr, Nimbrel.XMLNodeGetName(handle));
        EXPECT_EQ(0, Nimbrel.XMLAttributeSet(handle, "a", 1));
        EXPECT_EQ(0, Nimbrel.XMLAttributeGet(handle, "a", &number));
        EXPECT_EQ(0, Nimbrel.XMLAttributeGet(handle, "a", &text));
        EXPECT_EQ(0, Nimbrel.XMLTextSet(handle, "t"));
        EXPECT_EQ(0, Nimbrel.XMLCommentSet(handle, "c"));
        EXPECT_EQ(0, Nimbrel.XMLSave(handle, dir.File("x.xml").c_str()));
        EXPECT_EQ(0, Nimbrel.XMLSave(handle, dir.File("x.dpf").c_str(), "x"));
        Nimbrel.XMLClose(handle);
        EXPECT_EQ(5, number);
        EXPECT_STREQ("untouched", text);
    }
    EXPECT_EQ("", LogSince(before));
    EXPECT_FALSE(FileExists(dir.File("x.xml")));
    EXPECT_FALSE(FileExists(dir.File("x.dpf"))); // no package is created for a document that is not open
}

TEST_F(XmlLayer, OperationsWithoutACurrentElementNameThemselvesAndTheIndex) {
    int first = OpenText("one.xml", "<setup><video renderer=\"2\"/></setup>");
    int second = OpenText("two.xml", "<setup/>");
    ASSERT_EQ(1, first);
    ASSERT_EQ(2, second);
    size_t before = LogSize();
    int value = 0;
    EXPECT_EQ(0, Nimbrel.XMLAttributeGet(first, "renderer", &value));
    EXPECT_EQ(0, Nimbrel.XMLNodeNext(second));
    EXPECT_EQ(nullptr, Nimbrel.XMLNodeGetName(second));
    EXPECT_EQ(" . [Nimbrel.XMLAttributeGet(0)] Error: there is not an element pointed.\n"
              " . [Nimbrel.XMLNodeNext(1)] Error: there is not an element pointed.\n"
              " . [Nimbrel.XMLNodeGetName(1)] Error: there is not an element pointed.\n",
              LogSince(before));
}

TEST_F(XmlLayer, NavigationMovesOnlyWhenTheTargetExists) {
    int h = OpenText("nav.xml", "<config><!--c--><video>text<mode/></video>tail<audio/></config>");
    ASSERT_GT(h, 0);
    ASSERT_EQ(1, Nimbrel.XMLNodePointTo(h, 2, "config", "video"));
    EXPECT_EQ(0, Nimbrel.XMLNodePointTo(h, 2, "setup", "video")); // wrong root
    EXPECT_EQ(0, Nimbrel.XMLNodePointTo(h, 2, "config", "Video")); // names are case-sensitive
    EXPECT_EQ(0, Nimbrel.XMLNodePointTo(h, 0));
    EXPECT_STREQ("video", Nimbrel.XMLNodeGetName(h));

    EXPECT_EQ(1, Nimbrel.XMLNodeNext(h)); // text and comment siblings are skipped
    EXPECT_STREQ("audio", Nimbrel.XMLNodeGetName(h));
    EXPECT_EQ(0, Nimbrel.XMLNodeNext(h));
    EXPECT_EQ(0, Nimbrel.XMLNodeChild(h));
    EXPECT_EQ(1, Nimbrel.XMLNodeParent(h));
    EXPECT_STREQ("config", Nimbrel.XMLNodeGetName(h));
    EXPECT_EQ(0, Nimbrel.XMLNodeParent(h)); // the root's parent is the document
    EXPECT_STREQ("config", Nimbrel.XMLNodeGetName(h));
    EXPECT_EQ(1, Nimbrel.XMLNodeChild(h));
    EXPECT_STREQ("video", Nimbrel.XMLNodeGetName(h));

    int textOnly = OpenText("text.xml", "<a>only text</a>");
    ASSERT_EQ(1, Nimbrel.XMLNodePointTo(textOnly, 1, "a"));
    EXPECT_EQ(0, Nimbrel.XMLNodeChild(textOnly));
}

TEST_F(XmlLayer, TextIsAppendedAndCommentsGoFirst) {
    int h = Nimbrel.XMLCreate("root");
    ASSERT_EQ(1, Nimbrel.XMLNodeCreate(h, "e"));
    EXPECT_EQ(1, Nimbrel.XMLTextSet(h, "a"));
    EXPECT_EQ(1, Nimbrel.XMLTextSet(h, "b"));
    EXPECT_EQ(1, Nimbrel.XMLNodeParent(h));
    EXPECT_EQ(1, Nimbrel.XMLNodeCreate(h, "empty"));
    EXPECT_EQ(1, Nimbrel.XMLCommentSet(h, "alone"));
    EXPECT_STREQ("empty", Nimbrel.XMLNodeGetName(h)); // the comment does not move the current element
    EXPECT_EQ(1, Nimbrel.XMLNodeParent(h));
    EXPECT_EQ(1, Nimbrel.XMLCommentSet(h, "first"));
    EXPECT_EQ("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
              "<root>\n"
              "    <!--first-->\n"
              "    <e>ab</e>\n"
              "    <empty>\n"
              "        <!--alone-->\n"
              "    </empty>\n"
              "</root>\n",
              Saved(h));
}

TEST_F(XmlLayer, AttributesKeepTheirPlaceAndReadAsIntegersLikeScanf) {
    int h = OpenText("attr.xml", "<r size=\"12px\" name=\"abc\" neg=\"  -7\" big=\"99999999999\" low=\"-99999999999\"/>");
    ASSERT_EQ(1, Nimbrel.XMLNodePointTo(h, 1, "r"));
    int value = 42;
    EXPECT_EQ(1, Nimbrel.XMLAttributeGet(h, "size", &value));
    EXPECT_EQ(12, value);
    value = 42;
    EXPECT_EQ(0, Nimbrel.XMLAttributeGet(h, "name", &value));
    EXPECT_EQ(0, Nimbrel.XMLAttributeGet(h, "missing", &value));
    EXPECT_EQ(42, value);
    EXPECT_EQ(1, Nimbrel.XMLAttributeGet(h, "neg", &value));
    EXPECT_EQ(-7, value);
    EXPECT_EQ(1, Nimbrel.XMLAttributeGet(h, "big", &value));
    EXPECT_EQ(INT_MAX, value); // limited, not wrapped into some other number
    EXPECT_EQ(1, Nimbrel.XMLAttributeGet(h, "low", &value));
    EXPECT_EQ(INT_MIN, value);

    const char* text = "stale";
    EXPECT_EQ(1, Nimbrel.XMLAttributeGet(h, "size", &text));
    EXPECT_STREQ("12px", text);
    EXPECT_EQ(0, Nimbrel.XMLAttributeGet(h, "missing", &text));
    EXPECT_EQ(nullptr, text);

    EXPECT_EQ(1, Nimbrel.XMLAttributeSet(h, "size", -3));
    EXPECT_EQ(1, Nimbrel.XMLAttributeSet(h, "added", 5));
    std::string saved = Saved(h);
    EXPECT_NE(std::string::npos, saved.find("<r size=\"-3\" name=\"abc\" neg=\"  -7\" big=\"99999999999\" "
                                            "low=\"-99999999999\" added=\"5\" />"))
        << saved;
}

TEST_F(XmlLayer, OpenFailuresQuoteTheParserAndLeaveTheEntryFree) {
    std::string missing = dir.File("missing.xml");
    EXPECT_EQ(0, Nimbrel.XMLOpen(missing.c_str()));
    EXPECT_EQ(0, OpenText("broken.xml", "<a><b></a>"));
    EXPECT_EQ(0, OpenText("empty.xml", ""));
    EXPECT_EQ(0, Nimbrel.XMLOpen(dir.path().c_str())); // a directory
    std::string log = session.Log();
    EXPECT_NE(std::string::npos, log.find(" . [Nimbrel.XMLOpen('" + missing + "')] Error: Failed to open file\n"));
    EXPECT_NE(std::string::npos, log.find("broken.xml')] Error: Error reading end tag.\n"));
    EXPECT_NE(std::string::npos, log.find("empty.xml')] Error: Error document empty.\n"));
    EXPECT_EQ(1, Nimbrel.XMLCreate("root"));
}

TEST_F(XmlLayer, SavedBytesAreTinyXmlsOwnPrinting) {
    // A document with every kind of node, read with a byte order mark and CR LF line ends.
    int h = OpenText("mixed.xml",
                     "\xEF\xBB\xBF<?xml version=\"1.0\" ?>\r\n<!--top-->\r\n<a x='1' y=\"&amp;\"><b>t &lt; u\xB7</b>"
                     "<c><![CDATA[raw <text>]]></c><d/><e>one<f/>two</e></a>\r");
    ASSERT_GT(h, 0);
    std::string ours = Saved(h);
    TiXmlDocument reference(dir.File("mixed.xml").c_str());
    ASSERT_TRUE(reference.LoadFile());
    ASSERT_TRUE(reference.SaveFile(dir.File("reference.xml").c_str()));
    EXPECT_EQ(ReadFile(dir.File("reference.xml")), ours);
}

TEST_F(XmlLayer, FileSavesReplaceInOneStepAndReportFailures) {
    WriteFile(dir.File("plain"), "not a directory");
    int h = Nimbrel.XMLCreate("root");
    size_t before = LogSize();
    std::string underFile = dir.File("plain/doc.xml");
    EXPECT_EQ(0, Nimbrel.XMLSave(h, underFile.c_str()));
    EXPECT_EQ(0, Nimbrel.XMLSave(h, "/proc/nimbrel-doc.xml")); // read-only even for root
    std::string log = LogSince(before);
    EXPECT_NE(std::string::npos, log.find(" . [Nimbrel.XMLSave(1,'" + underFile + "')] Error: "));
    EXPECT_NE(std::string::npos, log.find(" . [Nimbrel.XMLSave(1,'/proc/nimbrel-doc.xml')] Error: "));

    // A successful save replaces the old file and leaves nothing else behind.
    WriteFile(dir.File("doc.xml"), "old");
    EXPECT_EQ(1, Nimbrel.XMLSave(h, dir.File("doc.xml").c_str()));
    EXPECT_EQ(1, Nimbrel.XMLSave(h, dir.File("new/dirs/doc.xml").c_str()));
    EXPECT_NE("old", ReadFile(dir.File("doc.xml")));
    EXPECT_EQ(ReadFile(dir.File("doc.xml")), ReadFile(dir.File("new/dirs/doc.xml")));
    // A private file stays private, and a linked file is replaced where it lives.
    namespace fs = std::filesystem;
    fs::permissions(dir.File("doc.xml"), fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(dir.File("doc.xml"), dir.File("link.xml"));
    Nimbrel.XMLAttributeSet(h, "v", 3);
    EXPECT_EQ(1, Nimbrel.XMLSave(h, dir.File("link.xml").c_str()));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.xml")));
    EXPECT_NE(std::string::npos, ReadFile(dir.File("doc.xml")).find("v=\"3\""));
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(dir.File("doc.xml")).permissions());
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(std::string::npos, item.path().filename().string().find("nbltmp")) << item.path();
}

struct SaveRequest {
    int handle;
    std::string path;
};

// Saves as a process that may not write the file though the folder lets it rename: the tests'
// own user, or the unprivileged "nobody" when they run as a superuser.
void SaveWithoutPermission(void* argument) {
    SaveRequest* save = static_cast<SaveRequest*>(argument);
    if (getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) ExitImmediately(2);
    ExitImmediately(Nimbrel.XMLSave(save->handle, save->path.c_str()) == 0 ? 0 : 1);
}

// A rename needs only the folder's permission, so a save has to ask the file itself. A file with
// no write permission bit was protected on purpose, even against a superuser, whom every check
// lets through.
TEST_F(XmlLayer, WriteProtectedFilesAreLeftAsTheyAre) {
    namespace fs = std::filesystem;
    fs::permissions(dir.path(), fs::perms::all);
    SaveRequest locked{Nimbrel.XMLCreate("new"), dir.File("locked.xml")}, shared{locked.handle, dir.File("shared.xml")};
    WriteFile(locked.path, "<old/>");
    WriteFile(shared.path, "<old/>");
    fs::permissions(locked.path, fs::perms::owner_read);
    fs::permissions(shared.path, fs::perms::owner_read | fs::perms::group_write); // only its group may write
    EXPECT_EQ(0, Nimbrel.XMLSave(locked.handle, locked.path.c_str()));
    EXPECT_NE(std::string::npos,
              session.Log().find(" . [Nimbrel.XMLSave(1,'" + locked.path + "')] Error: Permission denied\n"));
    EXPECT_EQ(0, RunInChildProcess(SaveWithoutPermission, &shared));
    EXPECT_EQ("<old/>", ReadFile(locked.path));
    EXPECT_EQ("<old/>", ReadFile(shared.path));
}

// A save killed while its temporary file exists leaves that file behind: a handful of such
// kills, more until the last one has left its file, then a single save clears them all.
TEST_F(XmlLayer, SavesKilledPartWayLeaveNothingOnceTheNextSaveIsDone) {
    std::string path = dir.File("busy.xml");
    int h = Nimbrel.XMLCreate("doc");
    ASSERT_EQ(1, Nimbrel.XMLTextSet(h, std::string(256 * 1024, 'x').c_str()));
    auto temporaries = [&] {
        size_t count = 0;
        for (const auto& item : std::filesystem::directory_iterator(dir.path()))
            count += item.path().filename().string().find(".nbltmp") != std::string::npos;
        return count;
    };
    for (int kills = 0; kills < 5 || (kills < 50 && temporaries() == 0); ++kills) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        while (child == 0)
            if (Nimbrel.XMLSave(h, path.c_str()) != 1) ExitImmediately(1);
        // The child is inside a save while its temporary file exists.
        std::string own = path + ".nbltmp" + std::to_string(child);
        bool ended = false;
        while (!FileExists(own) && !(ended = waitpid(child, nullptr, WNOHANG) == child)) {
        }
        ASSERT_FALSE(ended);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_GT(temporaries(), 0u);
    ASSERT_EQ(1, Nimbrel.XMLSave(h, path.c_str()));
    EXPECT_EQ(0u, temporaries());
    int back = Nimbrel.XMLOpen(path.c_str());
    ASSERT_GT(back, 0);
    EXPECT_EQ(Saved(h), Saved(back));
}

// ---- Packages -----------------------------------------------------------------------------------

TEST_F(XmlLayer, DocumentsInPackagesHaveNoTerminatorAndNothingPastTheBlockIsRead) {
    std::string path = dir.File("docs.dpf");
    int package = IStuffDPF->Create(path.c_str());
    // Both blocks are followed in the file by the next one; the cut one must fail on its own
    // bytes rather than run on into its neighbour.
    std::string whole = "<cfg v=\"5\"/>";
    std::string cut = "<cfg v=\"5\"";
    std::string next = "/><!--";
    for (Uint8 mode : {DPFBlock::kCompressed, DPFBlock::kStored}) {
        SCOPED_TRACE(int(mode));
        std::string suffix = std::to_string(mode);
        DPFBlock block = Record("whole" + suffix, "FILE", mode, whole);
        ASSERT_GT(IStuffDPF->AddData(package, &block), 0);
        block = Record("cut" + suffix, "FILE", mode, cut);
        ASSERT_GT(IStuffDPF->AddData(package, &block), 0);
        block = Record("next" + suffix, "FILE", mode, next);
        ASSERT_GT(IStuffDPF->AddData(package, &block), 0);

        int h = Nimbrel.XMLOpen(package, ("whole" + suffix).c_str());
        ASSERT_GT(h, 0) << session.Log();
        int value = 0;
        ASSERT_EQ(1, Nimbrel.XMLNodePointTo(h, 1, "cfg"));
        EXPECT_EQ(1, Nimbrel.XMLAttributeGet(h, "v", &value));
        EXPECT_EQ(5, value);
        Nimbrel.XMLClose(h);
        EXPECT_EQ(0, Nimbrel.XMLOpen(package, ("cut" + suffix).c_str()));
    }
    size_t before = LogSize();
    EXPECT_EQ(0, Nimbrel.XMLOpen(package, "absent"));
    EXPECT_NE(std::string::npos,
              LogSince(before).find(" . [Nimbrel.XMLOpen('" + path + "','absent')] Error: block not found in the given DPF.\n"));
    IStuffDPF->Close(package);

    // The package file form opens and closes the package itself.
    int h = Nimbrel.XMLOpen(path.c_str(), "whole0");
    EXPECT_GT(h, 0);
    EXPECT_EQ(nullptr, IStuffDPF->GetName(package));
}

TEST_F(XmlLayer, SavingIntoAPackageTwiceLeavesOneLiveBlockAndKeepsItsMode) {
    std::string path = dir.File("save.dpf");
    int h = Nimbrel.XMLCreate("doc");
    ASSERT_EQ(0, Nimbrel.XMLSave(h, path.c_str(), std::string(32, 'n').c_str())); // name too long
    int first = Nimbrel.XMLSave(h, path.c_str(), "doc.xml"); // creates the package
    ASSERT_GT(first, 0) << session.Log();
    size_t sizeAfterFirst = ReadFile(path).size();
    Nimbrel.XMLAttributeSet(h, "v", 2);
    EXPECT_GT(Nimbrel.XMLSave(h, path.c_str(), "doc.xml"), 0);
    EXPECT_GT(ReadFile(path).size(), sizeAfterFirst);

    int package = IStuffDPF->Open(path.c_str());
    DPFBlock block;
    std::vector<std::string> seen;
    for (int found = IStuffDPF->FindFirst(package, &block); found == 1; found = IStuffDPF->FindNext(package, &block))
        seen.push_back(std::string(block.type) + ":" + block.name + ":" + std::to_string(block.mode));
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ("DELETED", seen[0].substr(0, 7));
    EXPECT_EQ("FILE:doc.xml:0", seen[1]); // a new document is compressed

    // A block stored as is stays stored as is when the document is saved over it.
    std::string plain = "<doc/>";
    block = Record("plain.xml", "FILE", DPFBlock::kStored, plain);
    ASSERT_GT(IStuffDPF->AddData(package, &block), 0);
    EXPECT_GT(Nimbrel.XMLSave(h, package, "plain.xml"), 0);
    DPFBlock found = Wanted("plain.xml", "FILE");
    ASSERT_EQ(1, IStuffDPF->FindBlock(package, &found));
    EXPECT_EQ(DPFBlock::kStored, found.mode);
    EXPECT_NE(std::string::npos, Load(package, "FILE", "plain.xml").find("<doc v=\"2\" />"));
    IStuffDPF->Close(package);
}

struct FullDiskSave {
    std::string path;
    int handle;
};

// In a child process whose files may not grow past their present size, as on a full disk.
void SaveOnAFullDisk(void* argument) {
    FullDiskSave* save = static_cast<FullDiskSave*>(argument);
    int package = IStuffDPF->Open(save->path.c_str());
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(ReadFile(save->path).size());
    signal(SIGXFSZ, SIG_IGN);
    if (package <= 0 || setrlimit(RLIMIT_FSIZE, &limit) != 0) ExitImmediately(2);
    ExitImmediately(Nimbrel.XMLSave(save->handle, package, "doc.xml") == 0 ? 0 : 1);
}

TEST_F(XmlLayer, APackageSaveThatCannotBeWrittenKeepsTheOldDocument) {
    std::string path = dir.File("keep.dpf");
    int h = Nimbrel.XMLCreate("doc");
    Nimbrel.XMLAttributeSet(h, "v", 1);
    ASSERT_GT(Nimbrel.XMLSave(h, path.c_str(), "doc.xml"), 0);
    std::string before = ReadFile(path);
    // The header carries the time of the last change to the second: a failed save that wrote a
    // new time would show from the next second on.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));

    Nimbrel.XMLAttributeSet(h, "v", 2);
    FullDiskSave save{path, h};
    EXPECT_EQ(0, RunInChildProcess(SaveOnAFullDisk, &save));

    EXPECT_EQ(before, ReadFile(path));
    int package = IStuffDPF->Open(path.c_str());
    ASSERT_GT(package, 0);
    EXPECT_NE(std::string::npos, Load(package, "FILE", "doc.xml").find("<doc v=\"1\" />"));
    IStuffDPF->Close(package);
}

} // namespace

// Documents are Windows-1252 text, where the parser would keep only the low byte of a character
// reference ("&#8364;" would read as 0xAC). Above 0xFF a reference reads as its Windows-1252 byte,
// or as '?' with a warning naming the document; where the parser decodes nothing it stays as is.
TEST_F(XmlLayer, CharacterReferencesAboveFFReadAsTheirWindows1252Byte) {
    const std::string lost = " character reference(s) have no Windows-1252 character and read as '?'.\n";
    int h = OpenText("refs.xml", "<r a='&#8364;&#x2122;&#x4E2D;&#xFC;'>&#8220;&#x20ac; &#128512;<!--&#8364;-->"
                                 "<![CDATA[&#x20AC;]]></r>");
    ASSERT_GT(h, 0) << session.Log();
    ASSERT_EQ(1, Nimbrel.XMLNodePointTo(h, 1, "r"));
    const char* value = nullptr;
    ASSERT_EQ(1, Nimbrel.XMLAttributeGet(h, "a", &value));
    EXPECT_STREQ("\x80\x99?\xFC", value);
    std::string saved = Saved(h);
    for (const char* piece : {">\x93\x80 ?", "<!--&#8364;-->", "<![CDATA[&#x20AC;]]>"})
        EXPECT_NE(std::string::npos, saved.find(piece)) << saved;
    EXPECT_NE(std::string::npos, session.Log().find(" . [Nimbrel.XMLOpen('" + dir.File("refs.xml") + "')] Warning: 2" + lost));

    std::string path = dir.File("refs.dpf"), document = "<r>&#x4E2D;</r>";
    int package = IStuffDPF->Create(path.c_str());
    DPFBlock block = Record("doc.xml", "FILE", DPFBlock::kStored, document);
    ASSERT_GT(IStuffDPF->AddData(package, &block), 0);
    EXPECT_GT(Nimbrel.XMLOpen(package, "doc.xml"), 0);
    IStuffDPF->Close(package);
    EXPECT_NE(std::string::npos, session.Log().find(" . [Nimbrel.XMLOpen('" + path + "','doc.xml')] Warning: 1" + lost));
}

// Documents are the engine's single-byte text: a byte that would start a multi-byte character is
// one character, and never takes the markup after it along.
TEST_F(XmlLayer, BytesAreSingleCharactersAndNeverSwallowMarkup) {
    int h = OpenText("latin.xml", "<?xml version=\"1.0\"?><r><a>\xEA</a><b x='\xE9&#xE9;'/></r>");
    ASSERT_GT(h, 0) << session.Log();
    ASSERT_EQ(1, Nimbrel.XMLNodePointTo(h, 2, "r", "b"));
    const char* value = nullptr;
    ASSERT_EQ(1, Nimbrel.XMLAttributeGet(h, "x", &value));
    EXPECT_STREQ("\xE9\xE9", value);
    // A document ends at its first NUL, whatever follows it.
    EXPECT_EQ(0, OpenText("cut.xml", std::string("<r>\xEA\0</r>", 9)));
}
