#include "run_state.h"

RunState g_run;

bool IsValidCommandNumber(long long n)
{
    return n >= -(long long)kMaxCommandNumber && n <= kMaxCommandNumber;
}
