// The program entry's argument vector.
#pragma once

enum { UG_MAX_ARGS = 64 };

// Joins the arguments after the program's own with blanks into a heap string.
char *joinCommandLine(int argc, char **argv);
// Cuts line in place on blanks into argv after entry 0; returns the count, at most UG_MAX_ARGS.
int splitCommandLine(char *line, char **argv);
