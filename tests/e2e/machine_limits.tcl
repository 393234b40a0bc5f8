fconfigure stdout -buffering line
# Topologies the machine cannot hold are refused with one error before anything is made; a good
# one is built afterwards.
define dup myrrin cfg
foreach cpus {0x7fffffffffffffff -1 -4096 -2147483649 0 4096} {
    cfg config cpus $cpus
    puts "cpus $cpus: [catch {define machine cfg m} r] <$r>"
}
cfg config cpus 1
cfg config processor/number_of_threads 600
puts "threads 600: [catch {define machine cfg m} r] <$r>"
cfg config processor/number_of_threads 1
cfg config cpus 4
puts "cpus 4: [catch {define machine cfg m} r] <$r>"
