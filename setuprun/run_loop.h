// The run loop: executes command after command from [Commands], recording
// the next command number in the working copy after each one.
#pragma once

struct RunState;

void RunLoop(RunState& run);

// The end of a run: removes the copied firmware driver and restarts
// Windows when a command asked for it and reboots are not suppressed.
void EndRun(const RunState& run);
