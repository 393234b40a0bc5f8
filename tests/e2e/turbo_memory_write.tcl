fconfigure stdout -buffering line
# A write through the machine's memory commands into a page that TURBO mode has translated: the
# loop "ori 4,4,1; b .-4" runs, its first word becomes "ori 4,4,2" between two runs, and the next
# run executes the new word.
define machine myrrin mysim
mysim memory set 0x10000 word 0x60840001
mysim memory set 0x10004 word 0x4BFFFFFC
mysim thread 0 set spr pc 0x10000
mysim config_on
mysim mode turbo
mysim cycle 250000
puts "r4 = [mysim display gpr 4]"
mysim memory set 0x10000 word 0x60840002
mysim cycle 250000
puts "r4 = [mysim display gpr 4]"
mysim quit
