#pragma once

// The cores this process may run on (its CPU affinity, else the cores online), at least one:
// how many files convert at once unless the user says otherwise, in the window and on the
// command line alike.
int usableCores();
