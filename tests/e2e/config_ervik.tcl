# args: -m ERVIK
fconfigure stdout -buffering line
# A default configuration named in any case is taken, lower-cased.
puts $config
exit
