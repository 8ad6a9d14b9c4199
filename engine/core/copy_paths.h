// Copy paths: the processor-specific memory copy routines and the process-wide copy path that
// blits and screen effects copy pixel rows through.
//
// This module owns the nineteen routines, the copy path pointer (initially plain memcpy), and the
// selection that replaces it. Processor detection selects a path at engine start; the `optcore`
// configuration value selects one later by calling SelectCopyPath with its number.
//
// Drawing code never calls a routine directly: it calls CopyRows (or CopyBytes), which go through
// whatever path is selected.
#ifndef NIMBREL_CORE_COPY_PATHS_H
#define NIMBREL_CORE_COPY_PATHS_H

#include <SDL.h>

#include <vector>

#include "core/cpu_identify.h"

// A copy routine: copies count bytes forward from source to destination. The areas must not
// overlap. The result is of no use to callers.
typedef void* (*CopyRoutine)(void* destination, const void* source, Uint32 count);

// ---- Selection ----------------------------------------------------------------------------------

// Path numbers: 0 to 7 and 10 to 20. 8, 9 and everything else are unknown.
const int kCopyPathNormal = 0;

// Makes path `number` the copy path, logs its " . Selected ... code path.\n" line at level 2 and
// returns true. An unknown number, or a path that needs instructions this processor lacks, returns
// false, logs nothing and keeps the current path.
bool SelectCopyPath(int number);

// The number of the current copy path (0 until a selection succeeds).
int CurrentCopyPathNumber();

// The current copy path.
CopyRoutine CurrentCopyPath();

// ---- Copying ------------------------------------------------------------------------------------

// Copies count bytes through the current copy path. The areas must not overlap.
inline void CopyBytes(void* destination, const void* source, Uint32 count) {
    CurrentCopyPath()(destination, source, count);
}

// The row copy of a plain blit: rows of rowBytes bytes from source (sourcePitch bytes apart) to
// destination (destinationPitch bytes apart).
//   - When both pitches equal rowBytes, the rows are one block: one call through the copy path.
//   - Otherwise one copy-path call per row.
//   - When the two areas overlap (a blit within one surface), the rows are moved with memmove,
//     last row first when the destination lies after the source, so no row is read after it
//     was overwritten.
// Does nothing when rows or rowBytes is 0.
void CopyRows(void* destination, int destinationPitch, const void* source, int sourcePitch, Uint32 rowBytes,
              int rows);

// ---- Inspection (tests and benchmarks) ----------------------------------------------------------

// The routine behind path `number`, without selecting it; null for an unknown number.
CopyRoutine CopyPathRoutine(int number);

// The name in the path's log line ("normal", "MMX-I", ..., "Core/Core2"); null for an unknown
// number.
const char* CopyPathName(int number);

// True when every instruction path `number` uses exists on a processor with these features.
bool CopyPathRunsOn(int number, const ProcessorFeatures& features);

// Each routine runs its own instruction sequence only in the count range where that was measured
// to beat memcpy, and hands every other count to memcpy. This is path `number` without that
// hand-off, its sequences at every count, for measuring the ranges again; null for an unknown
// number.
CopyRoutine CopyPathSequences(int number);

// The counts at which path `number` changes what it runs (between memcpy and its own sequences,
// or between a mixed path's two routines), ascending; each is the first count of the new range.
// Empty for an unknown number.
std::vector<Uint32> CopyPathSwitchingCounts(int number);

#endif
