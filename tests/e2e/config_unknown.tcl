# args: -m nosuch
fconfigure stdout -buffering line
# An unknown configuration falls back to the default one without a message.
puts $config
exit
