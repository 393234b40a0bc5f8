fconfigure stdout -buffering line
# Registers, memory, interrupts, thread control, names and the chip's thread list of a machine,
# reached through its thread-level commands.
define machine myrrin alpha
puts [alpha thread 0 set gpr 3 0x10]
puts [alpha display gpr 3]
puts [alpha thread 0 set fpr 2 0x4000000000000000]
puts [alpha display vsxr 2]
puts <[alpha display fpr_as_fp 2]>
puts [alpha thread 0 set vmx 3 4 1 0x1234]
puts [catch {alpha display spr nosuch} r]<$r>
puts [catch {alpha cpu 5 display gpr 3} r]<$r>
puts [lindex [split [catch {alpha cpu 0 display gpr 3} r][set r] \n] 0]
puts [alpha memory set 0x1000 half 0x12345]
puts [alpha memory display 0x1000 half]
puts <[alpha memory display 0x1000 word 4]>
puts <[alpha memory display 0x1000 word 3]>
puts [catch {alpha memory display 0x1000} r]<$r>
puts [alpha memory fwrite 0 0 f]<[file size f]>
puts -nonewline [alpha memory fwritegz 0x100 0 g]
alpha memory set 0x1000 half 0
puts -nonewline [alpha memory freadgz 0x100 0 g]
puts [alpha memory display 0x1000 half]
puts [catch {alpha setargs a b} r]<$r>
puts [alpha interrupt Decrementer]
puts [catch {alpha interrupt AlignmentException x} r]<$r>
puts [catch {alpha interrupt External raise 0} r]<$r>
puts -nonewline [lindex [split [alpha stall] \n] 0]\n
puts [alpha config_on]
puts [lindex [alpha mcm 0 display tcl_cpulist] 0]
puts [alpha display name]
puts [alpha cpu 0 thread 0 set name fred]
alpha quit
puts <[info commands alpha]>
