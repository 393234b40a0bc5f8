fconfigure stdout -buffering line
# The console commands of a machine and of its chip: channels created, listed, enabled,
# disabled and destroyed; the create words and their errors; the buffered mode.
define machine myrrin alpha
proc show {script} {
    set code [catch {uplevel 1 $script} r]
    puts "$code <[string map [list \n \\n \t \\t] $r]>"
}
show {alpha console list}
show {alpha console create c1 out file log.txt}
show {alpha console list}
puts [file exists log.txt]
show {alpha console create s in string hello}
show {alpha console disable s}
show {alpha console enable s}
show {alpha console destroy c1}
show {alpha console destroy c1}
show {alpha console disable beta}
show {alpha console enable beta}
# The chip's table reaches the same console.
show {alpha mcm 0 console list}
show {alpha mcm 0 console create both inout string xy}
show {alpha console list}
# A socket channel connects to a listener on the loopback address; without a port it fails.
set server [socket -server {apply {{c a p} {close $c}}} -myaddr 127.0.0.1 0]
set port [lindex [fconfigure $server -sockname] 2]
show [list alpha console create net out socket 127.0.0.1:$port]
show {alpha console create d in socket hostonly}
puts [string match "*net ::  ENABLE output socket : 127.0.0.1*" [alpha console list]]
close $server
# Create words: missing id, missing or unknown direction, unknown kind, wrong counts.
show {alpha console create}
show {alpha console create x}
show {alpha console create x sideways file f}
show {alpha console create x in tape f}
show {alpha console create x in file}
show {alpha console create x o file out.txt}
puts [file exists out.txt]
# Listen arguments are checked before anything listens.
show {alpha console create g in listen}
show {alpha console create g in listen 5000 -1}
show {alpha console create g in listen 5000 1 -3}
show {alpha console create g in listen 5000 1 1 sometimes}
# Buffered mode.
show {alpha console display buffered}
show {alpha console set buffered maybe}
show {alpha console set buffered}
show {alpha console set buffered on}
show {alpha console display buffered}
show {alpha console set buffered off}
show {alpha console display buffered}
show {alpha console bogus}
quit
