// Capturing what a C stdio writer prints, in memory. Lets the engine keep the exact output of
// libraries that can only print to a FILE (TinyXML's document printing) and write it to disk its
// own way.
#ifndef NIMBREL_PLATFORM_MEMORY_STREAM_H
#define NIMBREL_PLATFORM_MEMORY_STREAM_H

#include <cstdio>
#include <string>

// Runs print(stream, context) on a stream that collects into memory and stores what it printed
// in *bytes. False when the stream cannot be made or print returns false.
bool PrintToMemory(bool (*print)(FILE* stream, const void* context), const void* context, std::string* bytes);

#endif
