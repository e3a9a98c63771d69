#pragma once

// Runs the monitor with no window for the program's folder until SIGTERM or
// SIGINT; SIGHUP reads the settings again. Returns the exit status.
int runHeadless(int argc, char *argv[]);
