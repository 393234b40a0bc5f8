# args: -t
fconfigure stdout -buffering line
# A freestanding program issues "sc" directly: served calls clear CR0[SO], calls that are not
# served fail with ENOSYS, writev of too many entries with EINVAL; the exit status 3 stays in GPR3.
file copy -force $env(QUARN_GUEST_DIR)/syscalls_be64 syscalls
define dup myrrin standalone
standalone config standalone_app on
standalone config memory_size 512M
define machine standalone m
m load elf syscalls
m go
puts "status [m display gpr 3]"
m quit
