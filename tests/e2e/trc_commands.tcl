fconfigure stdout -buffering line
# The "trc" table, attached to the machine by a test plug-in (no table of the simulator attaches
# it), driving a trace library from the trace tests.
set dir $env(QUARN_PLUGIN_DIR)
proc show {script} {
    set code [catch {uplevel 1 $script} result]
    puts "$code: <$result>"
}
define machine myrrin alpha
alpha plugin load normal $dir/test_plugin_normal.so +trc
show {alpha trc load no-such-library.so}
show {alpha trc load $dir/trc_probe_plain.so word}
show {alpha trc on}
show {alpha trc off}
show {alpha trc cmd 0 a b}
show {alpha trc cmd 7}
show {alpha trc threads x}
show {alpha trc prof yes}
show {alpha trc prof maybe}
show {alpha trc prof off}
show {alpha trc unload x}
show {alpha trc unload 0}
