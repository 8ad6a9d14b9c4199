// ISoundFX over the dummy audio driver: loading from packages, the two tables and their limits,
// module and streamed music, playing, deleting, the leak report and the closed device.
#include <gtest/gtest.h>

#include <memory>

#include "Nimbrel.h"
#include "testing/test_seams.h"
#include "sound_test_data.h"
#include "support/test_support.h"

using namespace soundtest;

namespace {

class SoundFX : public ::testing::Test {
protected:
    void SetUp() override {
        Streams().clear();
        engine.reset(new EngineSession(5, SDL_INIT_TIMER | SDL_INIT_AUDIO));
        ASSERT_TRUE(engine->started());
        package = IStuffDPF->Create("sounds.dpf");
        ASSERT_GT(package, 0);
    }

    void TearDown() override {
        if (package > 0) IStuffDPF->Close(package);
        engine.reset();
        NimbrelTestSeam::SetMusicStreamFactory(nullptr);
    }

    bool OpenDevice() { return ISoundFX->Init(44100, 0x8010, 2, 1024); }

    std::string Log() const { return engine->Log(); }

    // Waits up to two seconds of real playback for a condition.
    template <typename Condition>
    bool WaitFor(Condition condition) {
        for (int i = 0; i < 200; ++i) {
            if (condition()) return true;
            SDL_Delay(10);
        }
        return condition();
    }

    ScopedTempDir dir;
    std::unique_ptr<EngineSession> engine;
    int package = 0;
};

const char kSoundsFull[] = " . [ISoundFX] Warning: reached maximum limit of sound objects opened(256)\n";
const char kMusicFull[] = " . [ISoundFX] Warning: reached maximum limit of music objects opened(32)\n";

} // namespace

TEST_F(SoundFX, TablesRefuseThe33rdMusicAndThe257thSound) {
    ASSERT_TRUE(OpenDevice());
    ASSERT_TRUE(AddBlock(package, "SND", "click", MakeWav(5)));
    ASSERT_TRUE(AddBlock(package, "MUS", "tune", MakeModule(1)));

    for (int i = 0; i < ISoundFX::kMaxSounds; ++i) ASSERT_EQ(ISoundFX->SoundLoad(package, "click"), i);
    EXPECT_EQ(Log().find(kSoundsFull), std::string::npos);
    EXPECT_EQ(ISoundFX->SoundLoad(package, "click"), -1);
    std::string log = Log();
    EXPECT_NE(log.find(kSoundsFull), std::string::npos);
    EXPECT_EQ(log.find("sound format unknown"), std::string::npos);

    for (int i = 0; i < ISoundFX::kMaxMusic; ++i) ASSERT_EQ(ISoundFX->MusicLoad(package, "tune"), i);
    EXPECT_EQ(ISoundFX->MusicLoad(package, "tune"), -1);
    log = Log();
    size_t full = log.find(kMusicFull);
    size_t unknown = log.find(" . [ISoundFX->MusicLoad('sounds.dpf','tune')] Error: music format unknown ('");
    ASSERT_NE(full, std::string::npos);
    EXPECT_LT(full, unknown);
    EXPECT_NE(unknown, std::string::npos);

    // A freed slot is the next one used.
    ISoundFX->SoundDelete(17);
    ISoundFX->MusicDelete(9);
    EXPECT_EQ(ISoundFX->SoundLoad(package, "click"), 17);
    EXPECT_EQ(ISoundFX->MusicLoad(package, "tune"), 9);
    for (int i = 0; i < ISoundFX::kMaxSounds; ++i) ISoundFX->SoundDelete(i);
    for (int i = 0; i < ISoundFX::kMaxMusic; ++i) ISoundFX->MusicDelete(i);
}

TEST_F(SoundFX, PlayingAModuleFreesTheOtherDecodedModuleWhichRestartsFromItsStart) {
    ASSERT_TRUE(OpenDevice());
    NimbrelTestSeam::SetMusicStreamFactory(MakeCountingStream);
    ASSERT_TRUE(AddBlock(package, "MUS", "a", MakeModule(1)));
    ASSERT_TRUE(AddBlock(package, "MUS", "b", MakeModule(2)));
    int a = ISoundFX->MusicLoad(package, "a");
    int b = ISoundFX->MusicLoad(package, "b");
    ASSERT_EQ(a, 0);
    ASSERT_EQ(b, 1);
    ASSERT_EQ(Streams().size(), 2u);
    StreamCounts& streamA = Streams()[0];

    // Loaded modules are kept as bytes only.
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(a).kind, 1);
    EXPECT_FALSE(NimbrelTestSeam::InspectMusic(a).hasMusic);
    EXPECT_FALSE(NimbrelTestSeam::InspectMusic(b).hasMusic);

    EXPECT_EQ(ISoundFX->MusicPlay(a, -1), 0);
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(a).decoded, 1);
    EXPECT_TRUE(NimbrelTestSeam::InspectMusic(a).hasMusic);

    EXPECT_EQ(ISoundFX->MusicPlay(b, -1), 0);
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(a).decoded, 0);
    EXPECT_FALSE(NimbrelTestSeam::InspectMusic(a).hasMusic);
    EXPECT_TRUE(NimbrelTestSeam::InspectMusic(a).hasStream);
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(b).decoded, 1);

    int rewindsBefore = streamA.rewinds;
    EXPECT_EQ(ISoundFX->MusicPlay(a, -1), 0);
    EXPECT_GT(streamA.rewinds, rewindsBefore);
    EXPECT_EQ(streamA.firstReadAfterRewind, 0);
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(a).decoded, 1);
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(b).decoded, 0);
    EXPECT_TRUE(Mix_PlayingMusic());

    // Playing the decoded module again decodes nothing.
    rewindsBefore = streamA.rewinds;
    EXPECT_EQ(ISoundFX->MusicPlay(a, 0), 0);
    EXPECT_EQ(streamA.rewinds, rewindsBefore);

    ISoundFX->MusicDelete(a);
    ISoundFX->MusicDelete(b);
    EXPECT_EQ(Streams()[0].closes, 1);
    EXPECT_EQ(Streams()[1].closes, 1);
    EXPECT_FALSE(Mix_PlayingMusic());
}

TEST_F(SoundFX, StreamedOggReadsItsBytesWhilePlayingAndOutlivesModules) {
    std::string ogg = MakeOgg(3000);
    ASSERT_FALSE(ogg.empty()) << "oggenc is needed to make the test data";
    ASSERT_TRUE(OpenDevice());
    NimbrelTestSeam::SetMusicStreamFactory(MakeCountingStream);
    ASSERT_TRUE(AddBlock(package, "MUS", "song", ogg));
    ASSERT_TRUE(AddBlock(package, "MUS", "mod", MakeModule(1)));

    int song = ISoundFX->MusicLoad(package, "song");
    ASSERT_EQ(song, 0);
    ASSERT_EQ(Streams().size(), 1u);
    StreamCounts& stream = Streams()[0];
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(song).kind, 0);
    EXPECT_TRUE(NimbrelTestSeam::InspectMusic(song).hasMusic);
    EXPECT_TRUE(NimbrelTestSeam::InspectMusic(song).hasStream);
    // The stream's bytes are the entry's own copy, not the package's.
    EXPECT_EQ(stream.size, int(ogg.size()));
    EXPECT_EQ(std::memcmp(stream.data, ogg.data(), ogg.size()), 0);

    int readsAtLoad = stream.reads;
    ASSERT_EQ(ISoundFX->MusicPlay(song, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return stream.reads > readsAtLoad + 2; }))
        << "the music did not read its bytes while playing";
    EXPECT_EQ(stream.closes, 0);
    EXPECT_EQ(std::memcmp(stream.data, ogg.data(), ogg.size()), 0);

    // Playing a module stops the song but never frees a streamed music.
    int mod = ISoundFX->MusicLoad(package, "mod");
    ASSERT_EQ(mod, 1);
    EXPECT_EQ(ISoundFX->MusicPlay(mod, 0), 0);
    EXPECT_TRUE(NimbrelTestSeam::InspectMusic(song).hasMusic);
    EXPECT_EQ(ISoundFX->MusicPlay(song, 0), 0);

    ISoundFX->MusicDelete(song);
    EXPECT_EQ(stream.closes, 1);
    EXPECT_FALSE(NimbrelTestSeam::InspectMusic(song).used);
    ISoundFX->MusicDelete(mod);
}

TEST_F(SoundFX, AClickPlaysOnItsChannelUntilItEnds) {
    Nimbrel.soundVolume = 40;
    ASSERT_TRUE(OpenDevice());
    ASSERT_TRUE(AddBlock(package, "SND", "click", MakeWav(60)));
    int click = ISoundFX->SoundLoad(package, "click");
    ASSERT_EQ(click, 0);
    ASSERT_NE(NimbrelTestSeam::InspectSound(click), nullptr);
    EXPECT_EQ(NimbrelTestSeam::InspectSound(click)->volume, 40);

    EXPECT_EQ(ISoundFX->SoundPlaying(1), 0);
    ISoundFX->SoundPlay(1, click, 0);
    EXPECT_NE(ISoundFX->SoundPlaying(1), 0);
    EXPECT_EQ(ISoundFX->SoundPlaying(0), 0);
    EXPECT_TRUE(WaitFor([] { return ISoundFX->SoundPlaying(1) == 0; })) << "the click never ended";

    // Loud configurations are played at the mixer's full volume.
    Nimbrel.soundVolume = 255;
    int loud = ISoundFX->SoundLoad(package, "click");
    EXPECT_EQ(NimbrelTestSeam::InspectSound(loud)->volume, 128);
    ISoundFX->SoundDelete(click);
    ISoundFX->SoundDelete(loud);
}

TEST_F(SoundFX, EmptyEntriesAndIndicesOutsideTheTablesAreIgnoredSilently) {
    ASSERT_TRUE(OpenDevice());
    ASSERT_TRUE(AddBlock(package, "SND", "click", MakeWav(200)));
    ASSERT_TRUE(AddBlock(package, "MUS", "tune", MakeModule(1)));
    int click = ISoundFX->SoundLoad(package, "click");
    int tune = ISoundFX->MusicLoad(package, "tune");
    ASSERT_EQ(click, 0);
    ASSERT_EQ(tune, 0);
    std::string before = Log();

    for (int index : {1, 255, 256, -1, -2, 100000}) {
        ISoundFX->SoundPlay(2, index, 0);
        EXPECT_EQ(ISoundFX->MusicPlay(index, 0), 0);
        ISoundFX->SoundDelete(index);
        ISoundFX->MusicDelete(index);
    }
    EXPECT_EQ(ISoundFX->MusicPlay(32, 0), 0);
    ISoundFX->MusicDelete(32);
    EXPECT_EQ(ISoundFX->SoundPlaying(-1), 0);
    EXPECT_FALSE(Mix_PlayingMusic());
    // Channels the mixer does not have.
    ISoundFX->SoundPlay(-2, click, 0);
    ISoundFX->SoundPlay(1000, click, 0);
    EXPECT_EQ(ISoundFX->SoundPlaying(-7), 0);
    EXPECT_EQ(ISoundFX->SoundPlaying(1000), 0);
    EXPECT_EQ(ISoundFX->SoundPlaying(-1), 0);
    EXPECT_EQ(Log(), before);

    // The loaded items are untouched.
    EXPECT_NE(NimbrelTestSeam::InspectSound(click), nullptr);
    EXPECT_EQ(NimbrelTestSeam::InspectMusic(tune).used, 1);
    ISoundFX->SoundPlay(-1, click, 0);
    EXPECT_EQ(ISoundFX->SoundPlaying(-1), 1);
    EXPECT_EQ(ISoundFX->MusicPlay(tune, 0), 0);
    ISoundFX->SoundDelete(click);
    ISoundFX->MusicDelete(tune);
    ISoundFX->MusicDelete(tune);
}

TEST_F(SoundFX, ShutdownReportsLeftSoundsBeforeLeftMusic) {
    ASSERT_TRUE(OpenDevice());
    ASSERT_TRUE(AddBlock(package, "SND", "click", MakeWav(5)));
    ASSERT_TRUE(AddBlock(package, "MUS", "tune", MakeModule(1)));
    NimbrelTestSeam::SetMusicStreamFactory(MakeCountingStream);
    ASSERT_EQ(ISoundFX->SoundLoad(package, "click"), 0);
    ASSERT_EQ(ISoundFX->SoundLoad(package, "click"), 1);
    ASSERT_EQ(ISoundFX->MusicLoad(package, "tune"), 0);
    ASSERT_EQ(ISoundFX->MusicPlay(0, -1), 0);
    IStuffDPF->Close(package);
    package = 0;
    Nimbrel.Quit();

    std::string log = Log();
    const std::string sounds = " . [ISoundFX] Warning! your application has left 2 sounds without deleting.";
    const std::string music = " . [ISoundFX] Warning! your application has left 1 music without deleting.";
    const std::string deleted = " . [ISoundFX] Interfaz deleted.\n";
    EXPECT_NE(log.find(sounds + music + deleted), std::string::npos) << log;
    EXPECT_EQ(Streams()[0].closes, 1);
}

TEST_F(SoundFX, WithTheDeviceClosedEveryCallIsASilentNoOp) {
    ASSERT_TRUE(AddBlock(package, "SND", "click", MakeWav(5)));
    ASSERT_TRUE(AddBlock(package, "MUS", "tune", MakeModule(1)));
    std::string before = Log();
    // Never opened (the engine disables sound at start), then opened and disabled again.
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(ISoundFX->IsInitialized(), 0);
        EXPECT_EQ(ISoundFX->SoundLoad(package, "click"), -1);
        EXPECT_EQ(ISoundFX->MusicLoad(package, "tune"), -1);
        EXPECT_EQ(ISoundFX->SoundLoad("sounds.dpf", "click"), -1);
        EXPECT_EQ(ISoundFX->MusicLoad("missing.dpf", "tune"), -1);
        ISoundFX->SoundPlay(1, 0, 0);
        EXPECT_EQ(ISoundFX->MusicPlay(0, 0), 0);
        EXPECT_EQ(ISoundFX->SoundPlaying(1), 0);
        EXPECT_EQ(ISoundFX->SoundPlaying(-1), 0);
        ISoundFX->SoundDelete(0);
        ISoundFX->MusicDelete(0);
        ISoundFX->Quit();
        EXPECT_EQ(Log(), before);

        ASSERT_TRUE(OpenDevice());
        EXPECT_EQ(ISoundFX->IsInitialized(), 1);
        ISoundFX->Disable();
    }
}

TEST_F(SoundFX, LoadFailuresAreLoggedAndLeaveTheTablesAsTheyWere) {
    ASSERT_TRUE(OpenDevice());
    ASSERT_TRUE(AddBlock(package, "SND", "noise", "this is not a sound file at all"));
    ASSERT_TRUE(AddBlock(package, "MUS", "noise", "this is not music at all, nor a module"));
    ASSERT_TRUE(AddBlock(package, "MUS", "broken", "OggS and then nothing an Ogg decoder could use"));
    ASSERT_TRUE(AddBlock(package, "SND", "ok", MakeWav(5)));

    EXPECT_EQ(ISoundFX->SoundLoad(package, "absent"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad(package, "absent"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad(package, "ok"), -1); // a sound is not music
    EXPECT_EQ(ISoundFX->SoundLoad(package, "noise"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad(package, "noise"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad(package, "broken"), -1);
    EXPECT_EQ(ISoundFX->SoundLoad(0, "ok"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad(-3, "ok"), -1);
    EXPECT_EQ(ISoundFX->SoundLoad(package, nullptr), -1);

    std::string log = Log();
    for (const char* line : {" . [ISoundFX->SoundLoad('sounds.dpf','absent')] Error: sound not found.\n",
                             " . [ISoundFX->MusicLoad('sounds.dpf','absent')] Error: music not found.\n",
                             " . [ISoundFX->MusicLoad('sounds.dpf','ok')] Error: music not found.\n",
                             " . [ISoundFX->SoundLoad('sounds.dpf','noise')] Error: sound format unknown.\n",
                             " . [ISoundFX->MusicLoad('sounds.dpf','noise')] Error: music format unknown ('",
                             " . [ISoundFX->MusicLoad('sounds.dpf','broken')] Error: music format unknown ('",
                             " . [ISoundFX->SoundLoad('sounds.dpf','')] Error: sound not found.\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;

    for (int i = 0; i < ISoundFX::kMaxMusic; ++i) EXPECT_EQ(NimbrelTestSeam::InspectMusic(i).used, 0);
    EXPECT_EQ(ISoundFX->SoundLoad(package, "ok"), 0);
    ISoundFX->SoundDelete(0);
}

TEST_F(SoundFX, PackageFileFormsOpenAndCloseThePackage) {
    ASSERT_TRUE(OpenDevice());
    ASSERT_TRUE(AddBlock(package, "SND", "click", MakeWav(5)));
    ASSERT_TRUE(AddBlock(package, "MUS", "tune", MakeModule(1)));
    IStuffDPF->Close(package);
    package = 0;

    EXPECT_EQ(ISoundFX->SoundLoad("sounds.dpf", "click"), 0);
    EXPECT_EQ(ISoundFX->MusicLoad("sounds.dpf", "tune"), 0);
    EXPECT_EQ(ISoundFX->SoundLoad("sounds.dpf", "absent"), -1);
    EXPECT_EQ(IStuffDPF->GetName(1), nullptr);
    EXPECT_EQ(IStuffDPF->GetName(2), nullptr);

    // A package that cannot be opened is a failure, not index 0.
    EXPECT_EQ(ISoundFX->SoundLoad("missing.dpf", "click"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad("missing.dpf", "tune"), -1);
    EXPECT_EQ(ISoundFX->MusicLoad(static_cast<const char*>(nullptr), "tune"), -1);
    EXPECT_NE(Log().find(" . [IStuffDPF->Open('missing.dpf')] Error: "), std::string::npos);
    ISoundFX->SoundDelete(0);
    ISoundFX->MusicDelete(0);
}
