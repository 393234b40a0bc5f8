// What the guest services ask of the floors above them: the simulator's version number (code 42,
// the device tree's version properties; defined by the program entry, app/startup.cpp) and the
// name of a machine type (the device tree's root device_type; defined by the machine floor,
// machine/machine_config.cpp).
#pragma once

#include <cstdint>

// The version number of the build, 0x1000202.
uint32_t get_quarn_version_info(void);
// The name of a machine type, "Not-Found" for an unknown type.
const char *MachineType_2_Name(uint32_t id);
