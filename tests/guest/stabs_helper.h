/* An inline function from a header: its lines belong to an included file. */
static inline int inc(int v)
{
    return v + 1;
}
