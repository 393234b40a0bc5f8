fconfigure stdout -buffering line
# Breakpoints and watch points set from the prompt on a small program written into memory: a loop
# that counts in r3, stores the count and loads it back.
define machine myrrin mysim
set address 0x1000
foreach word {0x38600000 0x38630001 0x90602000 0x80802000 0x4BFFFFF4} {
    mysim memory set $address word $word
    incr address 4
}
mysim thread 0 set spr pc 0x1000
mysim config_on
proc stopper {args} { puts "stopper $args"; simstop }
proc watcher {args} { puts "watcher $args" }
proc on_stop {args} { puts "on_stop $args" }
proc on_write {args} { puts "on_write $args" }
# Global events: one name is set, an unknown one is refused, a cleared one shows inactive.
puts [trigger set assoc SIM_STOP on_stop]
puts [catch {trigger clear assoc sim_stop} r]<$r>
puts [trigger set assoc WARNING on_stop]
puts [trigger clear assoc WARNING]
puts -nonewline [trigger display assoc list]
# A PC breakpoint stops the loop at the store each pass.
puts [mysim trigger set pc 0x1008 stopper]
puts [mysim trigger set pc 0x1008 stopper]
puts [mysim trigger display pc list]
mysim cycle 100
puts "r3 [mysim display gpr 3] pc [mysim display spr pc]"
mysim cycle 100
puts "r3 [mysim display gpr 3] pc [mysim display spr pc]"
puts [mysim trigger clear pc 0x1008]
puts <[mysim trigger display pc addr 0x1008]>
puts [catch {mysim trigger set pc 12abc stopper} r]<$r>
# Memory watch points: the store and the load of the counter.
puts [catch {mysim trigger set memory system r 0x2000 0x2003 2 watcher} r]<$r>
mysim trigger set memory system rw 0x2000 0x2003 0 watcher
mysim trigger set memory system w 0x1FF0 0x2001 1 stopper
puts [mysim trigger display memory system list]
mysim cycle 100
puts "r3 [mysim display gpr 3] memory [mysim memory display 0x2000 word]"
puts [mysim trigger clear memory system w 0x2000 0x2003]
puts [mysim trigger display memory system list]
puts [mysim trigger clear memory system rw 0x2000 0x2003]
puts [mysim trigger clear memory system w 0x1FF0 0x2001]
# Register triggers on GPR 3: a change of the low byte, a match of 5.
puts [mysim cpu 0 trigger gpr 3 change on_write 0xFF]
puts [mysim cpu 0 trigger gpr 3 match on_write 5]
puts -nonewline [mysim cpu 0 trigger gpr 3 list]
puts [catch {mysim cpu 0 trigger gpr 32} r]<$r>
puts [catch {mysim cpu 0 trigger gpr 3 xyz} r]<$r>
mysim thread 0 set spr pc 0x1004
mysim thread 0 set gpr 3 3
mysim cycle 8
# Disabled, the CHANGE trigger keeps its slot and stays silent; deleted, its number is reused.
mysim cpu 0 trigger gpr 3 id 0 disable
mysim thread 0 set spr pc 0x1004
mysim thread 0 set gpr 3 4
mysim cycle 1
puts [catch {mysim cpu 0 trigger gpr 3 id 0 read} r]<$r>
mysim cpu 0 trigger gpr 3 id 0 write
puts [mysim cpu 0 trigger gpr 3 WRITE on_write]
puts -nonewline [mysim cpu 0 trigger gpr 3]
mysim quit
