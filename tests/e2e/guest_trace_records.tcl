fconfigure stdout -buffering line
# A trace library records the instruction and branch records of one program in SIMPLE and in
# TURBO (translated code writes its records inline): the two sequences are identical, profile
# entries and the branch outcome word aside (their values differ by rule). Each mode runs on a
# machine of its own, made after the other quits; the test plug-in attaches the "trc" table.
set dir $env(QUARN_PLUGIN_DIR)
file copy -force $env(QUARN_GUEST_DIR)/fib_be64 fib
define dup myrrin base
base config standalone_app on
base config memory_size 512M
foreach mode {simple turbo} {
    set env(QUARN_TRC_RECORD) [file join [pwd] records_$mode]
    define machine base m_$mode
    m_$mode plugin load normal $dir/test_plugin_normal.so +trc
    m_$mode trc load $dir/trc_recorder.so 0
    m_$mode trc on
    m_$mode load elf fib
    m_$mode mode $mode
    m_$mode go
    set count($mode) [m_$mode display instruction_count]
    m_$mode trc off
    m_$mode trc unload 0
    m_$mode plugin unload $dir/test_plugin_normal.so
    m_$mode quit
}
proc lines {name} {
    set f [open $name]
    set text [read $f]
    close $f
    # The interpreter writes "trc_mem" records, translated code "trc_mem_read"/"trc_mem_write":
    # only the instruction and branch records are compared.
    return [lsearch -all -inline -regexp [split [string trimright $text] "\n"] {^(ins|branch) }]
}
set simple [lines records_simple]
set turbo [lines records_turbo]
puts "counts equal: [expr {$count(simple) == $count(turbo)}]"
puts "records: [llength $simple] [llength $turbo]"
set first none
foreach a $simple b $turbo {
    if {$a ne $b} {
        set first "SIMPLE <$a> TURBO <$b>"
        break
    }
}
puts "first difference: $first"
puts "branches: [llength [lsearch -all $simple branch*]]"
