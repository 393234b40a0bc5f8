/* The other half of the stabs program: a function that calls into an included header. */
#include "stabs_helper.h"
int helper(int x)
{
    int y = x * 3;
    return y + inc(y);
}
