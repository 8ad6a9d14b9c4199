// The command line every benchmark accepts: --smoke for a tiny run that only checks the
// benchmark still works (CI runs it), --help for a short description; and a way to take a
// benchmark's own options out first.
#ifndef NIMBREL_BENCH_OPTIONS_H
#define NIMBREL_BENCH_OPTIONS_H

#include <cstdio>
#include <cstring>

// Reads the options. Returns -1 when the benchmark should run (with *smoke set), otherwise the
// exit status to end with (0 after --help, 2 for an unknown option).
inline int ReadBenchOptions(int argc, char** argv, const char* name, const char* description, bool* smoke) {
    *smoke = false;
    for (int i = 1; i < argc; ++i) {
        bool help = std::strcmp(argv[i], "--help") == 0;
        if (std::strcmp(argv[i], "--smoke") == 0) {
            *smoke = true;
            continue;
        }
        if (!help) std::fprintf(stderr, "%s: unknown option '%s'\n", name, argv[i]);
        std::fprintf(help ? stdout : stderr,
                     "usage: %s [--smoke]\n%s\n"
                     "  --smoke   a tiny run that only checks the benchmark works\n"
                     "  --help    this text\n",
                     name, description);
        return help ? 0 : 2;
    }
    return -1;
}

// Takes a benchmark's own option, one the shared reader does not know, out of the arguments
// (argv[0] stays). True when it was given.
inline bool TakeOwnOption(int* argc, char** argv, const char* option) {
    bool given = false;
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            given = true;
        else
            argv[kept++] = argv[i];
    }
    *argc = kept;
    return given;
}

#endif
