#pragma once

// The end of a program whose work is done: its windows closed, its files committed, its output
// flushed and closed. On Windows the process ends here, without the C++ runtime's unloading;
// elsewhere the code is handed back for main to return.
int ProgramEnd(int code);
