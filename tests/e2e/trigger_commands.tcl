fconfigure stdout -buffering line
# The trigger commands of the global and machine tables and of the processor table: associative,
# PC, cycle, process-id, memory and console triggers; register, ERAT and TLB triggers.
define machine myrrin alpha
proc p {args} { puts "p called at [alpha display cycles] args=<$args>" }
proc foo {args} {}
# Associative triggers: machine names are upper-cased, global ones are not.
puts [trigger set assoc SIM_STOP p]
puts [catch {trigger clear assoc sim_stop} m]:$m
puts [alpha trigger set assoc ATTN p]
puts [alpha trigger clear assoc attn]
puts [catch {alpha trigger clear assoc attn} m]:$m
puts [trigger set assoc WARNING ""]
puts [trigger display assoc avail]
puts [trigger display assoc list]
puts [trigger clear assoc SIM_STOP]
# PC triggers.
alpha trigger set pc 0x100 foo
puts [alpha trigger set pc 0x100 foo]
puts [alpha trigger clear pc 0x100]
puts <[alpha trigger display pc addr 0x100]>
puts [catch {alpha trigger set pc 12abc foo} m]:$m
# Cycle triggers: the key is the delay from setting; a cleared trigger never runs; a cycle already
# passed fires at once.
alpha cycle 200
alpha trigger set cycle 1000 p
puts [alpha trigger display cycle list]
puts [alpha trigger display cycle cycle 800]
alpha cycle 900
puts <[alpha trigger display cycle list]>
alpha trigger set cycle 1200 p
puts [alpha trigger clear cycle 100]
puts <[alpha trigger display cycle list]>
alpha cycle 300
alpha trigger set cycle 5 p
puts [alpha trigger display cycle list]
alpha cycle 10
puts [catch {alpha trigger set cycle 1x p} m]:$m
# Process-id triggers.
puts [alpha trigger display pid pid 7]
puts [alpha trigger set pid 7 p]
puts [alpha trigger set pid 9 foo]
puts [alpha trigger display pid list]
puts [catch {alpha trigger set pid x p} m]:$m
puts [alpha trigger clear pid 7]
puts <[alpha trigger clear pid 7]>
# Memory triggers: rw is two triggers, clearing w removes one.
puts [catch {alpha trigger set memory system r 0 0x10 2 p} m]:$m
alpha trigger set memory system rw 0x100 0x1ff 1 p
puts [alpha trigger display memory system list]
puts [alpha trigger clear memory system w 0x100 0x1ff]
puts [alpha trigger display memory system list]
# Console triggers: clear takes the newest whose pattern occurs in the word.
puts [alpha trigger set console login: p]
puts [alpha trigger set console ogin p2]
puts [alpha trigger display console list]
puts [alpha trigger clear console xlogin:y]
puts [alpha trigger display console list]
puts [catch {alpha trigger clear console zz} m]:$m
puts [catch {alpha trigger set console [string repeat x 256] p} m]:$m
# Processor triggers.
puts [catch {alpha cpu 0 trigger gpr 32} m]:$m
puts [alpha cpu 0 trigger tlb set . p]
puts [alpha cpu 0 trigger tlb list .]
alpha cpu 0 trigger tlb clear .
puts [alpha cpu 0 trigger tlb list .]
alpha cpu 0 trigger tlb enable .
puts [alpha cpu 0 trigger tlb list .]
puts <[alpha cpu 0 trigger erat list .]>
alpha cpu 0 trigger erat set {dERAT\.0} q
puts [alpha cpu 0 trigger erat list .]
alpha cpu 0 trigger erat disable ERAT
puts [alpha cpu 0 trigger erat list (]
puts [alpha cpu 0 trigger erat list .]
puts [catch {alpha cpu 0 trigger spr} m]:$m
alpha quit
