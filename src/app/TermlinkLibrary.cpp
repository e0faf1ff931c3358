#include "app/TermlinkLibrary.h"

#include <termlink.h>

namespace tarifon {

void TermlinkLibrary::vInitialize() {
    ::vInitialize();
}
uint32_t TermlinkLibrary::dll_version() {
    return ::dll_version();
}
int32_t TermlinkLibrary::tc_startserver() {
    return ::tc_startserver();
}
void TermlinkLibrary::GetTabConectados(uint8_t* tabsock8196, int32_t flag) {
    ::GetTabConectados(tabsock8196, flag);
}
void TermlinkLibrary::TCinet_ntoa(uint32_t address, char* text21) {
    ::TCinet_ntoa(address, text21);
}
uint8_t TermlinkLibrary::bEnviaVivo(int32_t socket) {
    return ::bEnviaVivo(socket);
}
uint8_t TermlinkLibrary::bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024,
                                         int32_t* length) {
    return ::bReceiveBarcode(socket, spare, buffer1024, length);
}
uint8_t TermlinkLibrary::GetResponseCtr(int32_t* socket, int32_t* code) {
    return ::GetResponseCtr(socket, code);
}
uint8_t TermlinkLibrary::bReceiveConfig(uint8_t* record159) {
    return ::bReceiveConfig(record159);
}
uint8_t TermlinkLibrary::bReceiveUpdConfig(uint8_t* record214) {
    return ::bReceiveUpdConfig(record214);
}
uint8_t TermlinkLibrary::bReceiveParam(uint8_t* record6) {
    return ::bReceiveParam(record6);
}
uint8_t TermlinkLibrary::bReceiveWlanConfig(uint8_t* record52) {
    return ::bReceiveWlanConfig(record52);
}
uint8_t TermlinkLibrary::bReceiveMacAddrConfig(uint8_t* record22) {
    return ::bReceiveMacAddrConfig(record22);
}
uint8_t TermlinkLibrary::bPedeConfig(int32_t socket) {
    return ::bPedeConfig(socket);
}
uint8_t TermlinkLibrary::bPedeUpdConfig(int32_t socket) {
    return ::bPedeUpdConfig(socket);
}
uint8_t TermlinkLibrary::bPedeParam(int32_t socket) {
    return ::bPedeParam(socket);
}
uint8_t TermlinkLibrary::bPedeWlanConfig(int32_t socket) {
    return ::bPedeWlanConfig(socket);
}
uint8_t TermlinkLibrary::bPedeMacAddr(int32_t socket, uint8_t interfaceCode) {
    return ::bPedeMacAddr(socket, interfaceCode);
}
uint8_t TermlinkLibrary::bMandaConfig(const uint8_t* record159) {
    return ::bMandaConfig(record159);
}
uint8_t TermlinkLibrary::bMandaUpdConfig(const uint8_t* record214) {
    return ::bMandaUpdConfig(record214);
}
uint8_t TermlinkLibrary::bMandaParam(const uint8_t* record6) {
    return ::bMandaParam(record6);
}
uint8_t TermlinkLibrary::bMandaWlanConfig(const uint8_t* record52) {
    return ::bMandaWlanConfig(record52);
}
uint8_t TermlinkLibrary::bSendAllwaysLive(int32_t socket) {
    return ::bSendAllwaysLive(socket);
}
uint8_t TermlinkLibrary::bSendCheckLive(int32_t socket) {
    return ::bSendCheckLive(socket);
}
uint8_t TermlinkLibrary::bSendRestartSoft(int32_t socket) {
    return ::bSendRestartSoft(socket);
}
uint8_t TermlinkLibrary::bUpdateSoftware(int32_t socket) {
    return ::bUpdateSoftware(socket);
}
uint8_t TermlinkLibrary::bSendProdPrice(int32_t socket, const char* description,
                                        const char* price) {
    return ::bSendProdPrice(socket, description, price);
}
uint8_t TermlinkLibrary::bSendProdNotFound(int32_t socket) {
    return ::bSendProdNotFound(socket);
}
uint8_t TermlinkLibrary::bSendDisplayMsg(int32_t socket, const char* line1, const char* line2,
                                         uint16_t time, int32_t flag) {
    return ::bSendDisplayMsg(socket, line1, line2, time, flag);
}
int32_t TermlinkLibrary::iTypeTerm(int32_t socket) {
    return ::iTypeTerm(socket);
}
uint8_t TermlinkLibrary::bSendImageFromFile(int32_t socket, const char* path, int32_t width,
                                            int32_t height, int32_t index, int32_t loop,
                                            int32_t pause, int32_t flag) {
    return ::bSendImageFromFile(socket, path, width, height, index, loop, pause, flag);
}

}  // namespace tarifon
