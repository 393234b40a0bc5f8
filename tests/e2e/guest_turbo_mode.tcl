fconfigure stdout -buffering line
# A static big-endian C-library program runs in standalone mode once in SIMPLE mode and once after
# "mode turbo": both runs print the same and take the same instructions.
file copy -force $env(QUARN_GUEST_DIR)/hello_glibc_be64 hello
foreach mode {simple turbo} {
    define dup myrrin standalone_$mode
    standalone_$mode config standalone_app on
    standalone_$mode config memory_size 512M
    define machine standalone_$mode mysim
    mysim load elf hello
    if {$mode eq "turbo"} { mysim mode turbo }
    mysim go
    set count($mode) [mysim display instruction_count]
    puts "$mode: [mysim display mode] $count($mode) instructions"
    mysim quit
}
puts "same instruction count: [expr {$count(simple) == $count(turbo)}]"
