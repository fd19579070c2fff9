// The parsing of a /proc/<pid>/stat line, kept apart from the file reads so that the field
// counting can be checked on made-up lines. The command name (field 2) is free text inside
// parentheses and may itself hold spaces and ')', so fields are counted from its LAST ')'.
#pragma once

// Fills the state letter (field 3) and the start time in clock ticks (field 22) from one
// stat line. 1 when both were found and well formed, else 0 (outputs then unspecified).
int ParseProcStat(const char* line, char* state, unsigned long long* startTicks);
