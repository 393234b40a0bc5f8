# args: -e
fconfigure stdout -buffering line
# Sim-support calls from instruction words written into memory: the version, a code no callback
# takes, Tcl evaluation, console output and the stop, each seen from the command line.
proc put_words {address words} {
    foreach word $words {
        alpha memory set $address word $word
        incr address 4
    }
}
proc put_string {address text} {
    foreach c [split $text ""] {
        alpha memory set $address byte [scan $c %c]
        incr address
    }
    alpha memory set $address byte 0
}
define machine myrrin alpha
set support 0x000EAEB0
put_words 0x100 [list 0x3860002A $support \
                     0x386000BE 0x38800001 $support \
                     0x38600056 0x38802000 0x38A0000A $support \
                     0x38600000 0x38802100 0x38A00002 0x38C00001 $support \
                     0x3860001F $support 0x48000000]
put_string 0x2000 "set ::gx 7"
put_string 0x2100 "hi"
alpha config_on
alpha step 2
puts "code 42: [alpha display gpr 3]"
alpha step 3
puts "code 190: [alpha display gpr 3] pc [alpha display spr pc]"
alpha step 4
puts "code 86: [alpha display gpr 3] gx $gx"
alpha step 5
puts ""
alpha go
puts "status: [simstop status]"
alpha quit
