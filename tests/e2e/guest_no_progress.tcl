# args: -t
fconfigure stdout -buffering line
# A run in which no thread can make progress (the only processor stalled) ends by itself with the
# activity monitor's stop instead of spinning.
file copy -force $env(QUARN_GUEST_DIR)/hello_sc_be64 hello
define dup myrrin standalone
standalone config standalone_app on
define machine standalone m
m load elf hello
m ppc 0 stall
m go
puts "instructions [m display instruction_count]"
m quit
