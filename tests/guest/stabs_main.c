/* Half of a 32-bit program with stabs line entries for the kernel symbol decoder's test. */
int helper(int x);
int main_func(int a)
{
    int b = a + 1;
    return helper(b) * 2;
}
