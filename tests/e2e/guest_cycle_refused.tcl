# args: -t
fconfigure stdout -buffering line
# Without the cycle-level core "mode cycle" is refused: the machine stays in SIMPLE mode and "go"
# runs the program there to its exit.
file copy -force $env(QUARN_GUEST_DIR)/hello_sc_be64 hello
define dup myrrin standalone
standalone config standalone_app on
standalone config memory_size 512M
define machine standalone m
m load elf hello
puts "[catch {m mode cycle} r] <$r>"
puts [m display mode]
m go
puts "instructions run: [expr {[m display instruction_count] > 0}]"
m quit
