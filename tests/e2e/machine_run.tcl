fconfigure stdout -buffering line
# A configuration with a clock, a refused second machine, the machine's display table and its run
# commands.
define dup myrrin my
my config rtc start 0xF1000000
puts [define machine my m1]
puts -nonewline [m1 display memorymap]
puts [catch {define machine myrrin m2} r]$r
puts <[info commands m2]><[display machines]>
puts <[m1 display features]>
puts [m1 display number_of_MCMs]
puts [m1 display memory_size]
puts [lindex [m1 display memorymap listformat] 2]
puts [m1 display mode]
puts [catch {m1 mode foo} r]<$r>
puts [catch {m1 cycle 0}][catch {m1 tick 0}][catch {m1 to_cycle 0}]
puts [m1 display cycles]
m1 tick 6
m1 to_cycle 5
puts [m1 display cycles]
m1 to_cycle 9
puts [m1 display cycles]
m1 mode fastest
puts [m1 display mode]
puts [catch {m1 mode simple} r]<$r>
set t [clock milliseconds]
puts [catch {m1 go} r]<$r>
puts [expr {[clock milliseconds] - $t >= 2900}]
m1 quit
puts <[info commands m1]>
