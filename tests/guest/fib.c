/* Recursion: the naive Fibonacci function (calls and returns through the link register). */
#include <stdio.h>

static long fib(int n)
{
    return n < 2 ? n : fib(n - 1) + fib(n - 2);
}

int main(void)
{
    printf("fib(22) = %ld\n", fib(22));
    return 0;
}
