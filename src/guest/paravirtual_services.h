// The sim-support services of the paravirtual devices and the debug channel: sliplane read (61)
// and write (62), disk read, write and information (116 to 118), network probe, send, receive and
// DMA transfers (119 to 121, 175, 176), socket device (162, 163, 177 to 181) and 9P (186). Each
// takes the support instruction's IOPDesc and returns the completion flag of the call. Defined
// with their devices: sliplane.cpp, bogus_disk.cpp, bogus_net.cpp, bogus_socket.cpp, bogus_9p.cpp.
#pragma once

struct IOPDesc;

int SliplaneRead(IOPDesc *iop);
int RavlinWrite(IOPDesc *iop);
int BogusDiskRead(IOPDesc *iop);
int BogusDiskWrite(IOPDesc *iop);
int BogusDiskInfo(IOPDesc *iop);
int BogusNetProbe(IOPDesc *iop);
int BogusNetSend(IOPDesc *iop);
int BogusNetReceive(IOPDesc *iop);
int BogusNetDMASend(IOPDesc *iop);
int BogusNetDMAReceive(IOPDesc *iop);
int BogusSocketSend(IOPDesc *iop);
int BogusSocketReceive(IOPDesc *iop);
int BogusSocketProbe(IOPDesc *iop);
int BogusSocketSendBytewise(IOPDesc *iop);
int BogusSocketReceiveBytewise(IOPDesc *iop);
int BogusSocketMemcpy(IOPDesc *iop);
int BogusSocketMemset(IOPDesc *iop);
int Bogus9pMux(IOPDesc *iop);
