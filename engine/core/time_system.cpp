// ITimeSystem: the clock behind frame pacing, with measured and average frame rates.
//
// It does no waiting itself; Nimbrel.Update reads the rates and the elapsed time and decides.
#include "Nimbrel.h"

#include "core/clock.h"
#include "core/interface_log.h"

namespace {
const Uint32 kMaxRenderRate = 120;
const Uint32 kMaxLogicRate = 200;
const Uint32 kQuarterMs = 250;
const Uint32 kSecondMs = 1000;
} // namespace

struct ITimeSystem::Record {
    Uint8 initialized = 0;
    Uint8 warned = 0;
    Uint32 now = 0;
    Uint32 start = 0;
    Uint32 renderFrames = 0;
    Uint32 logicFrames = 0;
    Uint32 measuredRenderRate = 0;
    Uint32 measuredLogicRate = 0;
    float averageRenderRate = 0.0f;
    float averageLogicRate = 0.0f;
    float elapsedSeconds = 0.0f;
    Uint32 renderRate = 0;
    Uint32 logicRate = 0;
    Uint32 renderFramesThisSecond = 0;
    Uint32 logicFramesThisSecond = 0;
    Uint32 lastSecondMark = 0;
    Uint32 lastQuarterMark = 0;
};

class ITimeSystem* ITimeSystem = nullptr;

ITimeSystem::ITimeSystem() : record(new Record) { LogInterfaceCreated("ITimeSystem"); }

ITimeSystem::~ITimeSystem() {
    delete record;
    LogInterfaceDeleted("ITimeSystem");
}

// ---- Starting and rates -------------------------------------------------------------------------

void ITimeSystem::Init(int mode) {
    if (mode != 0 && mode != 1) return;
    if (mode == 1 && !record->initialized) return;
    if (mode == 0) {
        record->renderRate = 0;
        record->logicRate = 0;
    }
    record->renderFrames = record->logicFrames = 0;
    record->measuredRenderRate = record->measuredLogicRate = 0;
    record->averageRenderRate = record->averageLogicRate = 0.0f;
    record->elapsedSeconds = 0.0f;
    record->renderFramesThisSecond = record->logicFramesThisSecond = 0;
    record->lastSecondMark = record->lastQuarterMark = 0;

    record->start = EngineTicks();
    record->now = record->start + 1;
    if (SDL_WasInit(SDL_INIT_TIMER)) {
        record->initialized = 1;
    } else {
        ILogSystem.Msg(2, " . [ITimeSystem->Init()] Warning: SDL_INIT_TIMER was not initialized.\n");
        record->now = record->start = 0;
    }
}

namespace {

// Stores a target rate limited to its maximum; right after SetRate the measured and average
// rates report the target.
void StoreRate(Uint32 requested, Uint32 maximum, Uint32& target, Uint32& measured, float& average) {
    Uint32 rate = requested > maximum ? maximum : requested;
    target = measured = rate;
    average = static_cast<float>(rate);
}

} // namespace

void ITimeSystem::SetRate(Uint32 renderRate, Uint32 logicRate) {
    if (!record->initialized) return;

    StoreRate(renderRate, kMaxRenderRate, record->renderRate, record->measuredRenderRate, record->averageRenderRate);
    StoreRate(logicRate, kMaxLogicRate, record->logicRate, record->measuredLogicRate, record->averageLogicRate);
    // The rates in force, not the requested ones: a request above a limit (or a negative number
    // passed through the unsigned parameter) would otherwise show a rate that never applied.
    SDL_Surface* screen = Nimbrel.screen;
    if (record->renderRate != 0 && screen && (screen->flags & SDL_DOUBLEBUF))
        ILogSystem.Msg(2,
                       " . [ITimeSystem->SetRate(%d,%d)] Warning: doublebuffer screen detected. "
                       "Use 0 for RFR to get the smoothest animation.\n",
                       static_cast<int>(record->renderRate), static_cast<int>(record->logicRate));
}

// ---- Per-call update ----------------------------------------------------------------------------

void ITimeSystem::Update() {
    if (!record->initialized) {
        if (!record->warned) {
            record->warned = 1;
            ILogSystem.Msg(2, " . [ITimeSystem->Update()] Warning: ITimeSystem was not initialized.\n");
        }
        return;
    }
    Uint32 now = EngineTicks();
    record->now = now;

    if (now > record->lastQuarterMark + kQuarterMs) {
        record->lastQuarterMark = now;
        Uint32 elapsedMs = now - record->start;
        record->elapsedSeconds = (elapsedMs == 0 ? 1 : elapsedMs) / 1000.0f;
        record->averageRenderRate = record->renderFrames / record->elapsedSeconds;
        record->averageLogicRate = record->logicFrames / record->elapsedSeconds;
    }
    if (now > record->lastSecondMark + kSecondMs) {
        record->lastSecondMark = now;
        record->measuredRenderRate = record->renderFramesThisSecond;
        record->measuredLogicRate = record->logicFramesThisSecond;
        record->renderFramesThisSecond = record->logicFramesThisSecond = 0;
    }
}

void ITimeSystem::CountRenderFrame() {
    if (!record->initialized) return;
    ++record->renderFrames;
    ++record->renderFramesThisSecond;
}

void ITimeSystem::CountLogicFrame() {
    if (!record->initialized) return;
    ++record->logicFrames;
    ++record->logicFramesThisSecond;
}

// ---- Queries ------------------------------------------------------------------------------------

int ITimeSystem::GetRenderRate() const { return record->initialized ? static_cast<int>(record->renderRate) : -1; }
int ITimeSystem::GetLogicRate() const { return record->initialized ? static_cast<int>(record->logicRate) : -1; }
int ITimeSystem::GetTicks() const {
    return record->initialized ? static_cast<int>(record->now - record->start) : -1;
}
int ITimeSystem::GetMeasuredRenderRate() const { return static_cast<int>(record->measuredRenderRate); }
int ITimeSystem::GetMeasuredLogicRate() const { return static_cast<int>(record->measuredLogicRate); }
float ITimeSystem::GetAverageRenderRate() const { return record->averageRenderRate; }
float ITimeSystem::GetAverageLogicRate() const { return record->averageLogicRate; }
Uint32 ITimeSystem::GetRenderFrames() const { return record->renderFrames; }
Uint32 ITimeSystem::GetLogicFrames() const { return record->logicFrames; }
bool ITimeSystem::IsInitialized() const { return record->initialized != 0; }
