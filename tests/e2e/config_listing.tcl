fconfigure stdout -buffering line
# Listing a configuration: the visible entries whose name contains the match in any case, plain or
# with their descriptions; the configurations by name on one line.
define dup myrrin my
my config processor number_of_TLB_entries 1024
my config processor TLB_associativity 4
my config memory_size 1G
puts [my list TLB]
puts -nonewline [my display tlb]
puts [my list nosuch]<>
puts -nonewline [display configures]
puts [define machine my m1]
m1 quit
