// Test program started by CMD11 scenarios: records its command line and
// current directory, waits, then records that it ended.
//   spawn_recorder <record file> <milliseconds> [anything...]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    FILE* record = fopen(argv[1], "w");
    if (!record)
        return 1;
    fprintf(record, "commandline=%s\ncwd=%s\n", GetCommandLineA(), cwd);
    fclose(record);
    Sleep((DWORD)atoi(argv[2]));
    record = fopen(argv[1], "a");
    if (!record)
        return 1;
    fprintf(record, "ended=%lu\n", GetTickCount());
    fclose(record);
    return 0;
}
