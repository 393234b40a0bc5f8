fconfigure stdout -buffering line
# Configurations and a machine made from one; the fatal-error lines of name clashes go to the
# simulator's output.
puts [define config myconf]
puts [catch {define config myconf} r]$r
puts [catch {define config set} r]$r
puts [define dup myrrin big]
big config memory_size 1G
puts [big query memory_size]
myrrin config memory_size 1G
puts <[myrrin query memory_size]>
puts [catch {big query} r]$r
puts -nonewline [display configures]
puts [define machine myrrin alpha]
puts [info commands alpha]
puts -nonewline [display machines]
puts [catch {define machine myrrin alpha} r]$r
puts [catch {define machine nosuch beta} r]$r
puts [catch {define machine ervik beta} r]$r
alpha quit
puts <[info commands alpha]><[display machines]>
puts [define machine big beta]
quit
