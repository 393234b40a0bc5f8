fconfigure stdout -buffering line
# Plug-ins loaded into a machine: a normal one listening to an event, a device one whose class
# maps a one-byte device; the paths are printed relative to the plug-in directory.
set dir $env(QUARN_PLUGIN_DIR)
set normal $dir/test_plugin_normal.so
set device $dir/test_plugin_device.so
proc show {script} {
    global dir
    set code [catch {uplevel 1 $script} result]
    puts "$code: [string map [list $dir DIR] $result]"
}
define machine myrrin alpha
show {alpha plugin load normal $normal}
show {alpha plugin load normal $normal}
show {alpha plugin list filename}
show {alpha plugin load device $device}
show {alpha plugin new device C dev 0x1000 0x1000}
show {alpha memory display 0x1000 1}
show {alpha plugin unload $device}
show {alpha plugin list all}
show {alpha plugin list plugin-type}
show {alpha plugin delete device dev}
show {alpha plugin unload $device}
show {alpha plugin unload $normal}
show {alpha plugin list all}
