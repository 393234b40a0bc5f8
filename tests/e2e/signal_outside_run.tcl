# status: 143
fconfigure stdout -buffering line
# A SIGTERM during a run stops the run; outside a run the first one only sets the stop word, and
# a second one ends the process (nothing else would look at the stop word until the next run).
define machine myrrin m
file copy -force $env(QUARN_GUEST_DIR)/hello_sc_be64 hello
m load elf hello
exec kill -TERM [pid]
puts "after the first"
m step 1
puts "a run in between: [m display instruction_count]"
exec kill -TERM [pid]
puts "after the first again"
exec kill -TERM [pid]
after 1000
puts "not reached"
