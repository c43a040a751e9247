#pragma once

// Runs the program with its main window; returns the process's exit status.
int windowFrontEnd(int argc, char** argv);
