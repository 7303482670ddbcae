#pragma once

// Points in the file layer where a crash would leave the shop's files in a state between two
// steps: right before and after each write, sync, rename and truncation. The crash tests start
// the real program with CORVALANE_KILL_AT_POINT=N, and the program then kills itself, as a
// power cut would, at the N-th point it passes; CORVALANE_POINT_LOG=FILE makes it append the
// name of each point it passes to FILE. Without those variables a point costs one test of a
// flag.

namespace pos {

void faultPoint(const char *name);

// Whether the crash tests are watching the points (the writers then split their writes so
// that a kill can fall in the middle of one).
bool faultPointsActive();

// A failing disk, for the crash tests: with CORVALANE_FAIL_AT_CALL=N the N-th read, write, sync,
// truncation, rename or close the file layer makes fails with an I/O error; with "N+" that one
// and every later one fail. True when the call about to be made is to fail. Without the variable
// a call costs one test of a flag.
bool failsNow();

// For tests: the file layer fails at the point of this name with an I/O error, as a failing disk
// would, every time it passes it (nullptr: never). Only points that can fail look.
void failAtPoint(const char *name);
bool failsAt(const char *name);

} // namespace pos
