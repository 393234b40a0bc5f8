# args: -t
fconfigure stdout -buffering line
# A static C-library program allocates, fills, reallocates and frees blocks from 16 bytes to
# several MiB, from the break and from anonymous mappings, and checks every byte.
file copy -force $env(QUARN_GUEST_DIR)/heap_be64 heap
define dup myrrin standalone
standalone config standalone_app on
standalone config memory_size 512M
define machine standalone m
m load elf heap
m go
puts "status [m display gpr 3]"
m quit
