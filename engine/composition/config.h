// The game's configuration document: its element and attribute names, and the rules that turn a
// value read from a (possibly hand-edited or damaged) document into one the engine supports.
// Nimbrel.ReadConfig and Nimbrel.WriteConfig (composition/config.cpp) are built on these.
#ifndef NIMBREL_COMPOSITION_CONFIG_H
#define NIMBREL_COMPOSITION_CONFIG_H

namespace config {

// Each rule takes any integer and returns the value stored in the record.
int FrameDelay(int value);   // 0..127
int Renderer(int value);     // 2, 4 or 64; anything else 2
int ColorDepth(int value);   // 0, 8, 16 or 32; anything else 0
int WindowMode(int value);   // 0..2
int Acceleration(int value); // 1..3
int AudioEnabled(int value); // 0..1
int AudioFormat(int value);  // limited to 8..16, then 8 or 16; anything else 8
int Frequency(int value);    // limited to 11025..44100, then 11025, 22050 or 44100; anything else 11025
int Channels(int value);     // limited to 1..4, then 1, 2 or 4; anything else 1
int Volume(int value);       // 0..255
int Buffer(int value);       // 1024..16384

} // namespace config

#endif
