// The game's configuration document: the exact document written, reading with validation and the
// partial read, round trips through files and packages, failed and interrupted saves.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "dpf_test_util.h"
#include "core/copy_paths.h"
#include "platform/filesystem.h"
#include "testing/test_seams.h"
#include "support/child_process.h"

using namespace dpftest;

namespace {

// The launcher's settings before any document is read.
NimbrelConfig LauncherDefaults() {
    NimbrelConfig record = {};
    record.frameDelay = 1;
    record.renderer = 2;
    record.acceleration = 1;
    record.windowMode = 1;
    record.colorDepth = 32;
    record.width = 640;
    record.height = 480;
    record.audioEnabled = 1;
    record.audioFormat = 8;
    record.audioFrequency = 11025;
    record.audioChannels = 1;
    record.audioBuffer = 4096;
    record.musicVolume = 128;
    record.soundVolume = 128;
    return record;
}

const char kDefaultDocument[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
    "<setup>\n"
    "    <!--Nimbrel SDK Setup System. Made by Nimbrel Engine Team - 2026.-->\n"
    "    <general mtfriendly=\"1\">General information</general>\n"
    "    <video renderer=\"2\" resolutionx=\"640\" resolutiony=\"480\" colordepth=\"32\" window=\"1\" accel=\"1\">"
    "Renderer: Windib(2), DirectX(4), X11(8), FBCon(16), Quartz(128) and OpenGL(64) .&#x0A;"
    "ResolutionX: width of the desired screen.&#x0A;"
    "ResolutionY: height of the desired screen.&#x0A;"
    "Colordepth: 0,8, 16 or 32 bits.&#x0A;"
    "Window: Window(1), Window with no-frame(2) or fullscreen(0).&#x0A;"
    "Accel: Software(1), Hardware smooth(2) and Hardware speed(3).&#x0A;</video>\n"
    "    <audio enable=\"1\" format=\"8\" frequency=\"11025\" mode=\"1\" musicvol=\"128\" soundvol=\"128\" buffer=\"4096\">"
    "Enable: could be 1(enabled) or 0(disabled).&#x0A;"
    "Format: 8 or 16 for 8bits/16bits audio stream.&#x0A;"
    "Frequency: 11025/22050/44100 samples per second (Hz).&#x0A;"
    "Mode: number of channels. 1 for mono, 2 for stereo and 4 for surround.&#x0A;"
    "Musicvol: from 0 to 255 is the music volumen.&#x0A;"
    "Soundvol: from 0 to 255 is the sound volumen.&#x0A;"
    "Buffer: internal buffer(in bytes) to avoid playback problems. 4096 is a good value.&#x0A;</audio>\n"
    "</setup>\n";

// A hand-written document with the given attributes on each element.
std::string HandDocument(const std::string& general, const std::string& video, const std::string& audio) {
    return "<setup><general " + general + "/><video " + video + "/><audio " + audio + "/></setup>";
}

bool SameRecord(const NimbrelConfig& a, const NimbrelConfig& b) {
    return a.frameDelay == b.frameDelay && a.renderer == b.renderer && a.acceleration == b.acceleration &&
           a.windowMode == b.windowMode && a.colorDepth == b.colorDepth && a.width == b.width && a.height == b.height &&
           a.audioEnabled == b.audioEnabled && a.audioFormat == b.audioFormat && a.audioFrequency == b.audioFrequency &&
           a.audioChannels == b.audioChannels && a.audioBuffer == b.audioBuffer && a.musicVolume == b.musicVolume &&
           a.soundVolume == b.soundVolume;
}

class ConfigFile : public ::testing::Test {
protected:
    ScopedTempDir dir;
    EngineSession session{5, SDL_INIT_TIMER};

    int copyPath = CurrentCopyPathNumber(); // optcore changes it; later tests get it back

    void TearDown() override { SelectCopyPath(copyPath); }

    NimbrelConfig ReadHand(const std::string& document, int expectedResult = 1) {
        WriteFile(dir.File("hand.xml"), document);
        NimbrelConfig record = LauncherDefaults();
        EXPECT_EQ(expectedResult, Nimbrel.ReadConfig(nullptr, dir.File("hand.xml").c_str(), &record)) << document;
        return record;
    }
};

TEST_F(ConfigFile, TheWrittenDocumentIsExactAndWellFormed) {
    NimbrelConfig record = LauncherDefaults();
    std::string path = dir.File("game/config.xml"); // the directory is created
    ASSERT_EQ(1, Nimbrel.WriteConfig("", path.c_str(), &record));
    EXPECT_EQ(kDefaultDocument, ReadFile(path));
    EXPECT_EQ(0, std::system(("xmllint --noout " + path).c_str()));

    // Reading it and writing it again gives the same bytes.
    NimbrelConfig again = {};
    ASSERT_EQ(1, Nimbrel.ReadConfig(nullptr, path.c_str(), &again));
    ASSERT_EQ(1, Nimbrel.WriteConfig(nullptr, dir.File("again.xml").c_str(), &again));
    EXPECT_EQ(kDefaultDocument, ReadFile(dir.File("again.xml")));

    // The fuzzer starts from the real document and from a damaged one.
    std::string seeds = std::string(NIMBREL_BINARY_DIR) + "/fuzz-seeds/config_fuzz";
    std::filesystem::create_directories(seeds);
    WriteFile(seeds + "/written.xml", kDefaultDocument);
    WriteFile(seeds + "/hand.xml", HandDocument("mtfriendly=\"-5\" optcore=\"3\"", "renderer=\"8\" colordepth=\"24\"",
                                                "buffer=\"100000\" frequency=\"30000\""));
}

TEST_F(ConfigFile, EveryFieldRoundTripsIncludingBothSampleSizes) {
    for (Uint32 format : {8u, 16u}) {
        SCOPED_TRACE(format);
        NimbrelConfig record = {};
        record.frameDelay = 127;
        record.renderer = 64;
        record.acceleration = 3;
        record.windowMode = 2;
        record.colorDepth = 16;
        record.width = 65535;
        record.height = 1;
        record.audioEnabled = 0;
        record.audioFormat = format;
        record.audioFrequency = 44100;
        record.audioChannels = 4;
        record.audioBuffer = 16384;
        record.musicVolume = 255;
        record.soundVolume = 0;
        ASSERT_EQ(1, Nimbrel.WriteConfig(nullptr, dir.File("all.xml").c_str(), &record));
        NimbrelConfig back = LauncherDefaults();
        ASSERT_EQ(1, Nimbrel.ReadConfig(nullptr, dir.File("all.xml").c_str(), &back));
        EXPECT_TRUE(SameRecord(record, back));
    }
}

TEST_F(ConfigFile, TheMainObjectIsTheRecordWhenNoneIsGiven) {
    // The main object holds an audio format code: 0x8010 is written as 16-bit.
    Nimbrel.audioFormat = 0x8010;
    Nimbrel.renderer = 4;
    Nimbrel.frameDelay = 9;
    ASSERT_EQ(1, Nimbrel.WriteConfig(nullptr, dir.File("main.xml").c_str()));
    std::string text = ReadFile(dir.File("main.xml"));
    EXPECT_NE(std::string::npos, text.find("format=\"16\""));
    EXPECT_NE(std::string::npos, text.find("mtfriendly=\"9\""));

    Nimbrel.renderer = 2;
    Nimbrel.frameDelay = 0;
    ASSERT_EQ(1, Nimbrel.ReadConfig("", dir.File("main.xml").c_str()));
    EXPECT_EQ(4, Nimbrel.renderer);
    EXPECT_EQ(9, Nimbrel.frameDelay);
    EXPECT_EQ(16u, Nimbrel.audioFormat);
}

TEST_F(ConfigFile, UnsupportedValuesAreReplacedOrLimited) {
    struct Case {
        const char* general;
        const char* video;
        const char* audio;
    };
    const char* goodGeneral = "mtfriendly=\"1\"";
    const char* goodVideo = "renderer=\"2\" resolutionx=\"800\" resolutiony=\"600\" colordepth=\"16\" window=\"1\" accel=\"1\"";
    const char* goodAudio = "enable=\"1\" format=\"8\" frequency=\"22050\" mode=\"2\" musicvol=\"10\" soundvol=\"20\" buffer=\"2048\"";
    auto video = [&](const std::string& replacement) {
        return ReadHand(HandDocument(goodGeneral, replacement, goodAudio));
    };
    auto audio = [&](const std::string& replacement) {
        return ReadHand(HandDocument(goodGeneral, goodVideo, replacement));
    };
    auto general = [&](const std::string& replacement) {
        return ReadHand(HandDocument(replacement, goodVideo, goodAudio));
    };
    std::string v = "resolutionx=\"800\" resolutiony=\"600\" ";
    EXPECT_EQ(2, video(v + "renderer=\"8\" colordepth=\"16\" window=\"1\" accel=\"1\"").renderer);
    EXPECT_EQ(2, video(v + "renderer=\"300\" colordepth=\"16\" window=\"1\" accel=\"1\"").renderer);
    EXPECT_EQ(64, video(v + "renderer=\"64\" colordepth=\"16\" window=\"1\" accel=\"1\"").renderer);
    EXPECT_EQ(0, video(v + "renderer=\"2\" colordepth=\"24\" window=\"1\" accel=\"1\"").colorDepth);
    EXPECT_EQ(0, video(v + "renderer=\"2\" colordepth=\"-8\" window=\"1\" accel=\"1\"").colorDepth);
    NimbrelConfig limits = video(v + "renderer=\"2\" colordepth=\"16\" window=\"7\" accel=\"0\"");
    EXPECT_EQ(2, limits.windowMode);
    EXPECT_EQ(1, limits.acceleration);

    std::string a = "enable=\"1\" mode=\"2\" musicvol=\"10\" soundvol=\"20\" ";
    EXPECT_EQ(11025u, audio(a + "format=\"8\" frequency=\"30000\" buffer=\"2048\"").audioFrequency);
    EXPECT_EQ(44100u, audio(a + "format=\"8\" frequency=\"96000\" buffer=\"2048\"").audioFrequency);
    EXPECT_EQ(16384u, audio(a + "format=\"8\" frequency=\"22050\" buffer=\"100000\"").audioBuffer);
    EXPECT_EQ(1024u, audio(a + "format=\"8\" frequency=\"22050\" buffer=\"512\"").audioBuffer);
    EXPECT_EQ(8u, audio(a + "format=\"12\" frequency=\"22050\" buffer=\"2048\"").audioFormat);
    NimbrelConfig loud = audio("enable=\"5\" format=\"16\" frequency=\"22050\" mode=\"3\" musicvol=\"300\" "
                               "soundvol=\"-1\" buffer=\"2048\"");
    EXPECT_EQ(1, loud.audioEnabled);
    EXPECT_EQ(1u, loud.audioChannels);
    EXPECT_EQ(255, loud.musicVolume);
    EXPECT_EQ(0, loud.soundVolume);

    EXPECT_EQ(0, general("mtfriendly=\"-5\"").frameDelay);
    EXPECT_EQ(127, general("mtfriendly=\"200\"").frameDelay);
    EXPECT_EQ(5, general("mtfriendly=\" 5ms\"").frameDelay);
}

TEST_F(ConfigFile, AMissingValueStopsTheReadButKeepsWhatWasRead) {
    NimbrelConfig record = ReadHand(
        HandDocument("mtfriendly=\"3\"",
                     "renderer=\"4\" resolutionx=\"1024\" resolutiony=\"768\" colordepth=\"8\" window=\"0\" accel=\"2\"",
                     "enable=\"0\" format=\"16\" frequency=\"44100\" mode=\"4\" musicvol=\"7\" soundvol=\"9\""),
        0);
    EXPECT_EQ(3, record.frameDelay);
    EXPECT_EQ(4, record.renderer);
    EXPECT_EQ(1024, record.width);
    EXPECT_EQ(768, record.height);
    EXPECT_EQ(8, record.colorDepth);
    EXPECT_EQ(0, record.windowMode);
    EXPECT_EQ(2, record.acceleration);
    EXPECT_EQ(0, record.audioEnabled);
    EXPECT_EQ(16u, record.audioFormat);
    EXPECT_EQ(44100u, record.audioFrequency);
    EXPECT_EQ(4u, record.audioChannels);
    EXPECT_EQ(7, record.musicVolume);
    EXPECT_EQ(9, record.soundVolume);
    EXPECT_EQ(4096u, record.audioBuffer); // untouched
    EXPECT_NE(std::string::npos, session.Log().find("Warning: 'buffer' of <audio> is missing or not a number.\n"));

    // A value that is not a number counts as missing; so does a missing element.
    record = ReadHand("<setup><general mtfriendly=\"fast\"/></setup>", 0);
    EXPECT_EQ(1, record.frameDelay);
    record = ReadHand("<setup><general mtfriendly=\"6\"/></setup>", 0);
    EXPECT_EQ(6, record.frameDelay);
    EXPECT_NE(std::string::npos, session.Log().find("Warning: the element <video> is missing.\n"));
    ReadHand("<setup><general", 0);
    EXPECT_EQ(0, Nimbrel.ReadConfig(nullptr, "", nullptr));
    EXPECT_EQ(0, Nimbrel.WriteConfig(nullptr, nullptr, nullptr));
}

TEST_F(ConfigFile, OptcoreSelectsACopyPathTheProcessorCanRun) {
    std::string rest = "<video renderer=\"2\" resolutionx=\"1\" resolutiony=\"1\" colordepth=\"0\" window=\"1\" accel=\"1\"/>";
    ReadHand("<setup><general mtfriendly=\"1\" optcore=\"1\"/>" + rest + "</setup>", 0);
    EXPECT_EQ(1, CurrentCopyPathNumber()); // every processor the engine runs on has MMX
    ReadHand("<setup><general mtfriendly=\"1\" optcore=\"9\"/>" + rest + "</setup>", 0);
    EXPECT_EQ(1, CurrentCopyPathNumber());
    EXPECT_NE(std::string::npos, session.Log().find("Warning: optcore 9 is not a copy path this processor can use.\n"));
}

TEST_F(ConfigFile, PackagesAreCreatedAndTheDocumentReplaced) {
    std::string package = dir.File("data/game.dpf");
    NimbrelConfig record = LauncherDefaults();
    ASSERT_EQ(1, Nimbrel.WriteConfig(package.c_str(), "config.xml", &record));
    int handle = IStuffDPF->Open(package.c_str());
    ASSERT_GT(handle, 0);
    DPFBlock block;
    ASSERT_EQ(1, IStuffDPF->FindFirst(handle, &block));
    EXPECT_STREQ("config.xml", block.name);
    EXPECT_STREQ("FILE", block.type);
    EXPECT_EQ(0, IStuffDPF->FindNext(handle, &block)); // the new package holds only this document
    EXPECT_EQ(kDefaultDocument, Load(handle, "FILE", "config.xml"));
    IStuffDPF->Close(handle);

    record.musicVolume = 33;
    ASSERT_EQ(1, Nimbrel.WriteConfig(package.c_str(), "config.xml", &record));
    NimbrelConfig back = LauncherDefaults();
    ASSERT_EQ(1, Nimbrel.ReadConfig(package.c_str(), "config.xml", &back));
    EXPECT_EQ(33, back.musicVolume);
}

// Layouts written for Windows name the document with backslashes and a drive; it is saved in the
// folders made for it, under the name it is read back by.
TEST_F(ConfigFile, WindowsStylePathsNameTheFileInItsFolder) {
    NimbrelConfig record = LauncherDefaults(), back = LauncherDefaults();
    for (const char* path : {"cfg\\game.xml", "c:cfg\\deeper\\game.xml"}) {
        record.width += 1;
        ASSERT_EQ(1, Nimbrel.WriteConfig(nullptr, path, &record)) << path;
        EXPECT_EQ(1, Nimbrel.ReadConfig(nullptr, path, &back)) << path;
        EXPECT_EQ(record.width, back.width) << path;
    }
    EXPECT_NE(std::string::npos, ReadFile("cfg/game.xml").find("resolutionx=\"641\""));
    EXPECT_NE(std::string::npos, ReadFile("cfg/deeper/game.xml").find("resolutionx=\"642\""));
    EXPECT_EQ("/cfg/game.xml", NativePath("C:\\cfg\\game.xml")); // a drive's root is the root
}

TEST_F(ConfigFile, AFailedSaveIsReportedAsAFailure) {
    NimbrelConfig record = LauncherDefaults();
    WriteFile(dir.File("file"), "x");
    EXPECT_EQ(0, Nimbrel.WriteConfig(nullptr, "/proc/nimbrel-config.xml", &record));
    EXPECT_EQ(0, Nimbrel.WriteConfig(nullptr, dir.File("file/config.xml").c_str(), &record));
    EXPECT_EQ(0, Nimbrel.WriteConfig("/proc/nimbrel.dpf", "config.xml", &record));
    EXPECT_EQ(0, Nimbrel.WriteConfig(dir.File("file/game.dpf").c_str(), "config.xml", &record));
}

struct CrashingSave {
    std::string path;
    int64_t bytesBeforeCrash;
};

void SaveAndCrash(void* argument) {
    CrashingSave* save = static_cast<CrashingSave*>(argument);
    NimbrelConfig record = LauncherDefaults();
    record.width = 1920;
    NimbrelTestSeam::SetReplaceCrashPoint(save->bytesBeforeCrash);
    Nimbrel.WriteConfig(nullptr, save->path.c_str(), &record);
    ExitImmediately(1); // not reached when the save crashes as asked
}

TEST_F(ConfigFile, AProcessDyingInTheMiddleOfASaveLeavesTheOldDocumentWhole) {
    std::string path = dir.File("config.xml");
    NimbrelConfig record = LauncherDefaults();
    ASSERT_EQ(1, Nimbrel.WriteConfig(nullptr, path.c_str(), &record));
    // Nothing written yet, part of the document, all of it but not yet in place.
    for (int64_t bytes : {int64_t(0), int64_t(200), int64_t(1) << 20}) {
        SCOPED_TRACE(bytes);
        CrashingSave save{path, bytes};
        ASSERT_EQ(kReplaceCrashExitStatus, RunInChildProcess(SaveAndCrash, &save));
        EXPECT_EQ(kDefaultDocument, ReadFile(path));
        NimbrelConfig back = {};
        EXPECT_EQ(1, Nimbrel.ReadConfig(nullptr, path.c_str(), &back));
        EXPECT_EQ(640, back.width);
    }
    // The next save succeeds over whatever the crashes left behind, and clears it away.
    record.width = 1920;
    ASSERT_EQ(1, Nimbrel.WriteConfig(nullptr, path.c_str(), &record));
    for (const auto& item : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(std::string::npos, item.path().filename().string().find(".nbltmp")) << item.path();
    NimbrelConfig back = {};
    EXPECT_EQ(1, Nimbrel.ReadConfig(nullptr, path.c_str(), &back));
    EXPECT_EQ(1920, back.width);
}

} // namespace
