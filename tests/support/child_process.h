// Running a piece of the current program in a child process, and ending a process at once.
// Used to prove that data written by a process survives that process dying abruptly.
#ifndef NIMBREL_TEST_CHILD_PROCESS_H
#define NIMBREL_TEST_CHILD_PROCESS_H

// Runs body(argument) in a copy of this process and waits for it. The child's exit status
// (0..255), or -1 when the child could not be started or did not exit normally. When body
// returns, the child exits with status 0.
int RunInChildProcess(void (*body)(void*), void* argument);

// Ends the current process immediately: no destructors, no atexit handlers, no buffered output
// flushed, exactly as if it had crashed.
[[noreturn]] void ExitImmediately(int status);

#endif
