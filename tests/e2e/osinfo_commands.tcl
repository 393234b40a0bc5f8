fconfigure stdout -buffering line
# The guest process and thread that a hardware thread runs, as the guest reports them.
define machine myrrin alpha
puts [alpha thread 0 osinfo get]
puts [catch {alpha thread 0 osinfo set pid 5 exec init tid 7} r]<$r>
puts [alpha thread 0 osinfo get]
puts $osinfo_pid_map(5)
puts [catch {alpha thread 0 osinfo set process 9} r]<$r>
puts [alpha cpu 0 osinfo get]
puts [catch {alpha thread 0 osinfo set x 1} r]<$r>
puts [catch {alpha thread 0 osinfo set tid 8 pid} r]<$r>
puts [catch {alpha thread 0 osinfo set pid 12z} r]<$r>
puts [catch {alpha thread 0 osinfo set exec} r]<$r>
puts [catch {alpha thread 0 osinfo set} r]<$r>
puts [alpha thread 0 osinfo get]
