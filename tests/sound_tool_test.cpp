// dpf add-sound, run as game developers run it: what the mixer cannot decode never reaches the
// package, and what it stores the engine loads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "Nimbrel.h"
#include "sound_test_data.h"
#include "support/test_support.h"

using namespace soundtest;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class SoundTool : public ::testing::Test {
protected:
    ScopedTempDir dir;

    ToolRun Run(const std::string& arguments) {
        return RunDpf(arguments);
    }
};

} // namespace

TEST_F(SoundTool, RefusesWhatTheMixerCannotDecodeAndStoresWhatItCan) {
    WriteFile("click.wav", MakeWav(30));
    WriteFile("tune.mod", MakeModule(1));
    WriteFile("noise.bin", "neither a sound nor a module, just some words in a file");
    WriteFile("empty.bin", "");
    ASSERT_EQ(0, Run("create game.dpf").status);

    ToolRun noise = Run("add-sound game.dpf noise.bin hiss SND");
    EXPECT_EQ(1, noise.status);
    EXPECT_TRUE(Contains(noise.err, "dpf: noise.bin: the mixer cannot decode it as a sound effect (")) << noise.err;
    ToolRun noiseMusic = Run("add-sound game.dpf noise.bin hiss MUS");
    EXPECT_EQ(1, noiseMusic.status);
    EXPECT_TRUE(Contains(noiseMusic.err, "dpf: noise.bin: the mixer cannot decode it as music (")) << noiseMusic.err;
    ToolRun empty = Run("add-sound game.dpf empty.bin nothing SND");
    EXPECT_EQ(1, empty.status);
    EXPECT_TRUE(Contains(empty.err, "dpf: empty.bin: the file is empty")) << empty.err;
    EXPECT_EQ(1, Run("add-sound game.dpf absent.wav click SND").status);
    EXPECT_TRUE(Contains(Run("list game.dpf").out, "0 blocks (0 deleted)"));

    ToolRun click = Run("add-sound game.dpf click.wav click SND");
    EXPECT_EQ(0, click.status) << click.err;
    EXPECT_TRUE(Contains(click.out, "click.wav: sound effect")) << click.out;
    ToolRun tune = Run("add-sound game.dpf tune.mod tune MUS --mode 1");
    EXPECT_EQ(0, tune.status) << tune.err;
    EXPECT_TRUE(Contains(tune.out, "tune.mod: music kept as bytes, decoded when played")) << tune.out;
    EXPECT_EQ(1, Run("add-sound game.dpf click.wav click SND").status); // already there
    EXPECT_EQ(0, Run("add-sound game.dpf click.wav click SND --replace").status);

    std::string ogg = MakeOgg(300);
    ASSERT_FALSE(ogg.empty()) << "oggenc is needed to make the test data";
    ToolRun song = Run("add-sound game.dpf tone.ogg song MUS");
    EXPECT_EQ(0, song.status) << song.err;
    EXPECT_TRUE(Contains(song.out, "tone.ogg: Ogg Vorbis music")) << song.out;

    // The engine loads what the tool stored.
    auto engine = std::make_unique<EngineSession>(2, SDL_INIT_TIMER | SDL_INIT_AUDIO);
    ASSERT_TRUE(engine->started());
    ASSERT_TRUE(ISoundFX->Init(44100, 0x8010, 2, 1024));
    EXPECT_EQ(ISoundFX->SoundLoad("game.dpf", "click"), 0);
    EXPECT_EQ(ISoundFX->MusicLoad("game.dpf", "tune"), 0);
    EXPECT_EQ(ISoundFX->MusicLoad("game.dpf", "song"), 1);
    EXPECT_EQ(ISoundFX->MusicPlay(1, 0), 0);
    ISoundFX->SoundDelete(0);
    ISoundFX->MusicDelete(0);
    ISoundFX->MusicDelete(1);
}

TEST_F(SoundTool, WrongUsageExitsWithTwo) {
    ToolRun help = Run("add-sound --help");
    EXPECT_EQ(0, help.status);
    EXPECT_TRUE(Contains(help.out, "Usage: dpf add-sound PKG FILE NAME SND|MUS"));
    EXPECT_TRUE(Contains(Run("--help").out, "dpf add-sound PKG FILE NAME SND|MUS"));

    ToolRun type = Run("add-sound game.dpf a.wav a WAV");
    EXPECT_EQ(2, type.status);
    EXPECT_TRUE(Contains(type.err, "the block type is SND (sound effect) or MUS (music), not 'WAV'")) << type.err;
    EXPECT_EQ(2, Run("add-sound game.dpf a.wav SND").status);
    EXPECT_EQ(2, Run("add-sound game.dpf a.wav a SND --loud").status);
    EXPECT_EQ(2, Run("add-sound game.dpf a.wav a SND --mode 7").status);
    EXPECT_EQ(2, Run("add-sound game.dpf a.wav 0123456789012345678901234567890123 SND").status);
}
