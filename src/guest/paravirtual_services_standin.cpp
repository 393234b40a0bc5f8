// Stand-ins of the paravirtual device and debug-channel services of the sim-support call.
#include "guest/paravirtual_services.h"

#include "guest/sim_support.h"

namespace
{

int unavailable(IOPDesc *iop)
{
    SimSupport_Result(iop, (uint64_t)-1);
    return 1;
}

} // namespace

// STAND-IN: the sliplane debug channel, the paravirtual disk, network and socket devices and the
// 9P transport are not built yet; every call completes with GPR3 = -1, as a call on a device that
// was never set up does.
__attribute__((weak)) int SliplaneRead(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int RavlinWrite(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusDiskRead(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusDiskWrite(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusDiskInfo(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusNetProbe(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusNetSend(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusNetReceive(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusNetDMASend(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusNetDMAReceive(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketSend(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketReceive(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketProbe(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketSendBytewise(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketReceiveBytewise(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketMemcpy(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int BogusSocketMemset(IOPDesc *iop)
{
    return unavailable(iop);
}
// STAND-IN: see SliplaneRead.
__attribute__((weak)) int Bogus9pMux(IOPDesc *iop)
{
    return unavailable(iop);
}
