fconfigure stdout -buffering line
# The processor table's translation-cache listings and the thread-level process table.
define machine myrrin alpha
puts [catch {alpha cpu 0 erat display .} r]<$r>
puts [catch {alpha cpu 0 tlb display nomatch} r]<$r>
puts [catch {alpha cpu 0 tlb display .} r]<$r>
puts [catch {alpha cpu 0 erat display (} r]<$r>
puts [catch {alpha process switch 7} r]<$r>
puts [catch {alpha process current} r]<$r>
puts [catch {alpha process switch 40000} r]<$r>
puts [catch {alpha process current} r]<$r>
