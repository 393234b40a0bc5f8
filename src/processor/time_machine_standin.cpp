#include "processor/time_machine_standin.h"

// STAND-IN: the time-domain module keeps the machine used for time stamps; until it lands the
// machine is only remembered. Weak, so that the time-domain module's definition replaces it.
namespace
{
GenericMachine *time_machine = nullptr;
} // namespace

__attribute__((weak)) void Set_Time_Machine(GenericMachine *machine)
{
    time_machine = machine;
}
