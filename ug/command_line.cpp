// The argument vector: the command line joined, then cut on blanks as the handset cut it.
#include "ug/command_line.h"

#include <stdlib.h>
#include <string.h>

char *joinCommandLine(int argc, char **argv)
{
    size_t length = 1;
    for (int i = 1; i < argc; i++)
        length += strlen(argv[i]) + 1;
    char *line = (char *)calloc(length, 1);
    if (!line)
        return nullptr;
    for (int i = 1; i < argc; i++) {
        if (i > 1)
            strcat(line, " ");
        strcat(line, argv[i]);
    }
    return line;
}

int splitCommandLine(char *line, char **argv)
{
    int argc = 1;
    char *save = nullptr;
    for (char *word = strtok_r(line, " ", &save); word && argc < UG_MAX_ARGS; word = strtok_r(nullptr, " ", &save))
        argv[argc++] = word;
    return argc;
}
