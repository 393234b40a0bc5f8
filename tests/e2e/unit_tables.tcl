fconfigure stdout -buffering line
# The unit-creation tables of the machine's top table refuse what the nest units cannot give, and
# the displays of a unit not yet made print nothing.
define dup myrrin small
small config memory_size 1M
define machine small alpha
foreach cmd {
    {alpha pbic create pbic 0 0 0x1000 0x2000}
    {alpha pbic get_number 9}
    {alpha kepl attach gpu 0 1}
    {alpha cop create cop 5 1 1 maybe}
    {alpha kepl display p1_base}
    {alpha phb display phb_base}
    {alpha phb create 0x3fe00000}
    {alpha phb display PHB_BASE}
    {alpha phb display other}
} {
    puts "$cmd: [catch $cmd r] <$r>"
}
alpha quit
