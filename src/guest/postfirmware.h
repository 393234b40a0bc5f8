// The processor settings that firmware would leave behind, applied by the program-image loaders.
#pragma once

struct GenericMachine;

// For every hardware thread of the machine, in number order: HID1 := 0 and HID4 :=
// 0x8800000000000000 masked by HID4's implemented bits, on the thread's processor, both written.
void POSTFIRMWARE_SETTINGS(GenericMachine *machine);
