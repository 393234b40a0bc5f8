fconfigure stdout -buffering line
# The machine's load and phb words with images the script writes itself: a Plan 9 boot image, a
# Linux boot block with no blocks, XCOFF words without a file name and with a file that is not
# XCOFF (a raw load only reports it), and the PCI host bridge created and shown.
proc write_words {name words} {
    set f [open $name wb]
    puts -nonewline $f [binary format I* $words]
    close $f
}
define machine myrrin mysim
write_words kernel.9 {0x647 8 0 0 0 0x80003020 0 0x10 0x38600001 0x4E800020}
mysim load plan9 kernel.9
write_words kernel.bb {0xB00 0x40000 0 0 0x40010 0 0 0}
mysim load linux kernel.bb
puts [catch {mysim load xcoff}]
write_words notx {0x68656C6C}
puts [catch {mysim load xcoff notx -raw}]
puts [catch {mysim load xcoff notx}]
mysim phb create 0x3fffe00000000
puts [mysim phb display phb_base]
puts [catch {mysim phb create 0x3fffd00000000}]
mysim quit
