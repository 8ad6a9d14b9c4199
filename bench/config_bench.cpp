// The configuration document: what the engine's reading and crash-safe writing cost next to plain
// TinyXML doing the same work on the same document.
//
//   read:  Nimbrel.ReadConfig (open, walk, validate, close) / TinyXML LoadFile + the same
//          attribute reads. Shows the XML layer's own overhead.
//   write: Nimbrel.WriteConfig (build, print to memory, temporary file, fsync, rename) /
//          TinyXML building the same document and SaveFile straight over the target. Shows the
//          price of a save that survives a crash, mostly the flush to the storage device.
//
// Each figure is a time ratio (1.00 = as fast as plain TinyXML). The two sides run in alternating
// rounds and each keeps its best round, so load from elsewhere hits both alike.
//
//   config_bench           the full run (a few seconds)
//   config_bench --smoke   a tiny run that only checks the program works
//   config_bench --help
#include <tinyxml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "Nimbrel.h"
#include "bench_options.h"

namespace {

const char* const kAttributes[][8] = {
    {"general", "mtfriendly", nullptr},
    {"video", "renderer", "resolutionx", "resolutiony", "colordepth", "window", "accel", nullptr},
    {"audio", "enable", "format", "frequency", "mode", "musicvol", "soundvol", "buffer"},
};

NimbrelConfig SampleRecord() {
    NimbrelConfig record = {};
    record.frameDelay = 1;
    record.renderer = 2;
    record.acceleration = 1;
    record.windowMode = 1;
    record.colorDepth = 32;
    record.width = 800;
    record.height = 600;
    record.audioEnabled = 1;
    record.audioFormat = 16;
    record.audioFrequency = 44100;
    record.audioChannels = 2;
    record.audioBuffer = 4096;
    record.musicVolume = 200;
    record.soundVolume = 180;
    return record;
}

bool EngineRead(const std::string& path) {
    NimbrelConfig record = {};
    return Nimbrel.ReadConfig(nullptr, path.c_str(), &record) == 1;
}

bool PlainRead(const std::string& path) {
    TiXmlDocument document(path.c_str());
    if (!document.LoadFile()) return false;
    int sum = 0;
    for (const auto& element : kAttributes) {
        TiXmlElement* node = document.FirstChildElement("setup")->FirstChildElement(element[0]);
        for (int i = 1; i < 8 && element[i]; ++i) {
            int value = 0;
            if (node->QueryIntAttribute(element[i], &value) != TIXML_SUCCESS) return false;
            sum += value;
        }
    }
    return sum > 0;
}

bool EngineWrite(const std::string& path) {
    NimbrelConfig record = SampleRecord();
    return Nimbrel.WriteConfig(nullptr, path.c_str(), &record) == 1;
}

bool PlainWrite(const std::string& path) {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", "yes"));
    TiXmlElement* root = new TiXmlElement("setup");
    document.LinkEndChild(root);
    root->LinkEndChild(new TiXmlComment("Nimbrel SDK Setup System."));
    int value = 1;
    for (const auto& element : kAttributes) {
        TiXmlElement* node = new TiXmlElement(element[0]);
        for (int i = 1; i < 8 && element[i]; ++i) node->SetAttribute(element[i], value++);
        node->LinkEndChild(new TiXmlText("help text\n"));
        root->LinkEndChild(node);
    }
    return document.SaveFile(path.c_str());
}

typedef bool (*Operation)(const std::string&);

double SecondsPerCall(Operation operation, const std::string& path, int calls) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i)
        if (!operation(path)) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / calls;
}

// Best round of each side, in alternating rounds: engine / plain. Negative when a call failed.
double Ratio(Operation engine, Operation plain, const std::string& path, int calls, int rounds) {
    double bestEngine = 1e9, bestPlain = 1e9;
    for (int round = 0; round < rounds; ++round) {
        double e = SecondsPerCall(engine, path, calls);
        double p = SecondsPerCall(plain, path, calls);
        if (e < 0 || p < 0) return -1;
        bestEngine = std::min(bestEngine, e);
        bestPlain = std::min(bestPlain, p);
    }
    std::printf("  %-6s engine %9.1f us   plain TinyXML %9.1f us   ", engine == EngineRead ? "read" : "write",
                bestEngine * 1e6, bestPlain * 1e6);
    return bestEngine / bestPlain;
}

} // namespace

int main(int argc, char** argv) {
    bool smoke = false;
    int status = ReadBenchOptions(argc, argv, "config_bench",
                                  "Times reading and writing the configuration document against plain TinyXML.", &smoke);
    if (status >= 0) return status;
    if (Nimbrel.Init(SDL_INIT_TIMER) != 1) {
        std::printf("config_bench: the engine did not start\n");
        return 1;
    }
    std::filesystem::path directory =
        std::filesystem::temp_directory_path() / ("nimbrel-config-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(directory);
    std::string readPath = (directory / "read.xml").string();
    std::string writePath = (directory / "write.xml").string();

    int calls = smoke ? 5 : 400;
    int rounds = smoke ? 1 : 7;
    std::printf("Configuration document, time ratio engine / plain TinyXML (1.00 = as fast)\n");
    bool ok = EngineWrite(readPath);
    double read = ok ? Ratio(EngineRead, PlainRead, readPath, calls, rounds) : -1;
    if (read >= 0) std::printf("ratio %.2f\n", read);
    double write = ok ? Ratio(EngineWrite, PlainWrite, writePath, calls / 4 + 1, rounds) : -1;
    if (write >= 0) std::printf("ratio %.2f\n", write);

    std::filesystem::remove_all(directory);
    Nimbrel.Quit();
    if (read < 0 || write < 0) {
        std::printf("config_bench: a read or write failed\n");
        return 1;
    }
    return 0;
}
