fconfigure stdout -buffering line
# Address translation, disassembly and instruction stuffing through the "util" table and the
# thread-level itranslate/dtranslate.
define machine myrrin alpha
puts [catch {alpha util stuff nop} r]<$r>
puts [alpha util stuff 0x38600001]<[alpha display gpr 3]>
puts [catch {alpha util stuff 0x00000000} r]<$r>
puts [catch {alpha util ppc_disasm 0x6000000g 0} r]<$r>
puts [catch {alpha util ppc_disasm 0x60000000 0x10z} r]<$r>
puts [catch {alpha dtranslate} r]<$r>
puts [catch {alpha dtranslate abc} r]<$r>
puts [catch {alpha dtranslate 0x1000 zz} r]<$r>
puts [catch {alpha itranslate 0x2000} r]<$r>
puts [catch {alpha util itranslate 0x2000 4} r]<$r>
puts [catch {alpha util dtranslate 0x3000} r]<$r>
# With translation on and no page table nothing translates; an instruction address that is a
# physical address of the chip's map stands for itself.
alpha thread 0 set spr msr 0x8000000000000030
puts [catch {alpha dtranslate 0x3000} r]<$r>
puts [catch {alpha util dtranslate_wimg 0x3000} r]<$r>
puts [catch {alpha itranslate 0x2000} r]<$r>
puts [catch {alpha util itranslate_wimg 0x2000} r]<$r>
