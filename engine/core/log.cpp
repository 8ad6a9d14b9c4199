// The engine's text log: banner, level filter and the outputs of ILogSystem.
//
// The log owns one record. It never keeps its file open: each message opens the file, appends
// and closes it again, so every line is on disk even when the process dies right after it.
#include "Nimbrel.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "core/clock.h"
#include "platform/local_time.h"

namespace {

const char kFallbackFileName[] = "ILogSysError.txt";
const Sint8 kHighestLevel = 5;

// The two banner lines we are free to choose. Each is exactly 26 characters so that its framed
// line is 60 characters wide.
const char kBannerWebLine[] = "http://www.nimbrel-sdk.org";

ILogSystem::ConsoleSink consoleSink = nullptr;

// The C runtime's asctime form, "Tue Dec  8 01:24:02 2026\n", built here so that it does not
// depend on the platform's C library.
std::string AsctimeText(const std::tm& t) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[(t.tm_wday % 7 + 7) % 7],
                  kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                  1900 + t.tm_year);
    return text;
}

bool HasFileOutput(Sint8 mask) {
    return (mask & (ILogSystem::kOutputNewFile | ILogSystem::kOutputAppendFile)) != 0;
}

} // namespace

struct ILogSystem::Record {
    Uint8 active = 0;
    Sint8 maxLevel = 0;
    Sint8 outputMask = 0;
    // Kept whole: a long path is never cut short into the name of some other file.
    std::string fileName;
    Uint8 timestamps = 0;
};

ILogSystem::ILogSystem() : record(new Record) {}

ILogSystem::~ILogSystem() { delete record; }

// ---- Init ---------------------------------------------------------------------------------------

void ILogSystem::Init(const char* fileName, Sint8 outputMask, Sint8 maxLevel, const char* title,
                      const char* text, const char* subtext, const char* extra) {
    if (maxLevel < 0) maxLevel = 0;
    if (maxLevel > kHighestLevel) maxLevel = kHighestLevel;
    record->maxLevel = maxLevel;

    if (outputMask < 0) outputMask = 0;
    if (outputMask == 0) {
        record->active = 0;
        record->outputMask = 0;
    }
    if (outputMask & kOutputStdout) {
        record->fileName.clear();
        record->active = 1;
        record->outputMask = outputMask;
    }
    if (!HasFileOutput(outputMask)) return;

    // Create or touch the file; fall back on a file in the working directory.
    const char* mode = (outputMask & kOutputNewFile) ? "wt" : "at";
    record->fileName = fileName ? fileName : "";
    FILE* file = record->fileName.empty() ? nullptr : std::fopen(record->fileName.c_str(), mode);
    if (!file) {
        record->fileName = kFallbackFileName;
        file = std::fopen(kFallbackFileName, mode);
        if (!file) return;
    }
    std::fclose(file);

    // The banner goes to the file alone.
    record->outputMask = kOutputNewFile;
    record->active = 1;

    const std::tm local = LocalTimeNow();

    const char* version = Nimbrel.GetVersion();
    Msg(0, "+----------------------------------------------------------+\n");
    Msg(0, "\xA6         %s%s\xA6\n", version, "            ");
    Msg(0, "\xA6               %s                 \xA6\n", Nimbrel.GetMaker());
    Msg(0, "\xA6               %s                 \xA6\n", kBannerWebLine);
    Msg(0, "+----------------------------------------------------------+\n");
    Msg(0, "\n . %s\n", title ? title : "");
    if (text) {
        Msg(0, " . %s", text);
        if (subtext) Msg(0, " - %s", subtext);
        Msg(0, "\n");
    }
    if (extra) Msg(0, " . %s\n", extra);
    Msg(0, "\n . Executing at %s", AsctimeText(local).c_str());
    if (record->fileName == kFallbackFileName)
        Msg(0, " . Warning: it was not possible to create your log file.\n");

    record->outputMask = outputMask;
}

// ---- Msg ----------------------------------------------------------------------------------------

void ILogSystem::Msg(Sint8 level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    MsgV(level, format, args);
    va_end(args);
}

void ILogSystem::MsgV(Sint8 level, const char* format, va_list args) {
    // The level filter comes first: filtered messages must cost almost nothing.
    if (!record->active || record->outputMask == 0 || level > record->maxLevel) return;

    if (record->outputMask & kOutputStdout) {
        va_list copy;
        va_copy(copy, args);
        std::vprintf(format, copy);
        va_end(copy);
    }
    if (HasFileOutput(record->outputMask)) {
        FILE* file = std::fopen(record->fileName.c_str(), "at");
        if (!file) return; // this message is lost, the console does not get it either
        if (record->timestamps) {
            Uint32 elapsed = EngineTicks() - Nimbrel.startTicks;
            std::fprintf(file, "{%.3fs}", elapsed / 1000.0);
        }
        va_list copy;
        va_copy(copy, args);
        std::vfprintf(file, format, copy);
        va_end(copy);
        std::fclose(file);
    }
    if ((record->outputMask & kOutputConsole) && consoleSink) {
        va_list copy;
        va_copy(copy, args);
        consoleSink(format, copy);
        va_end(copy);
    }
}

// ---- Settings and state -------------------------------------------------------------------------

void ILogSystem::SetTimestamps(bool on) { record->timestamps = on ? 1 : 0; }

void ILogSystem::SetConsoleSink(ConsoleSink sink) { consoleSink = sink; }

bool ILogSystem::IsActive() const { return record->active != 0; }
Sint8 ILogSystem::GetMaxLevel() const { return record->maxLevel; }
Sint8 ILogSystem::GetOutputMask() const { return record->outputMask; }
const char* ILogSystem::GetFileName() const { return record->fileName.c_str(); }
