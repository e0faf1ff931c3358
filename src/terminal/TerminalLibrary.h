#pragma once

#include <cstdint>

namespace tarifon {

// The terminal library as the program sees it: one method per library function,
// same names, argument order and widths.  Production binds it to libtermlink.so
// (TermlinkLibrary); tests substitute a scripted fake.  Implementations must be
// safe to call from several threads at once (picture workers call iTypeTerm and
// bSendImageFromFile while the window polls).
class TerminalLibrary {
public:
    virtual ~TerminalLibrary() = default;

    virtual void vInitialize() = 0;
    virtual uint32_t dll_version() = 0;
    virtual int32_t tc_startserver() = 0;
    virtual void GetTabConectados(uint8_t* tabsock8196, int32_t flag) = 0;
    virtual void TCinet_ntoa(uint32_t address, char* text21) = 0;
    virtual uint8_t bEnviaVivo(int32_t socket) = 0;
    virtual uint8_t bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024,
                                    int32_t* length) = 0;
    virtual uint8_t GetResponseCtr(int32_t* socket, int32_t* code) = 0;
    virtual uint8_t bReceiveConfig(uint8_t* record159) = 0;
    virtual uint8_t bReceiveUpdConfig(uint8_t* record214) = 0;
    virtual uint8_t bReceiveParam(uint8_t* record6) = 0;
    virtual uint8_t bReceiveWlanConfig(uint8_t* record52) = 0;
    virtual uint8_t bReceiveMacAddrConfig(uint8_t* record22) = 0;
    virtual uint8_t bPedeConfig(int32_t socket) = 0;
    virtual uint8_t bPedeUpdConfig(int32_t socket) = 0;
    virtual uint8_t bPedeParam(int32_t socket) = 0;
    virtual uint8_t bPedeWlanConfig(int32_t socket) = 0;
    virtual uint8_t bPedeMacAddr(int32_t socket, uint8_t interfaceCode) = 0;
    virtual uint8_t bMandaConfig(const uint8_t* record159) = 0;
    virtual uint8_t bMandaUpdConfig(const uint8_t* record214) = 0;
    virtual uint8_t bMandaParam(const uint8_t* record6) = 0;
    virtual uint8_t bMandaWlanConfig(const uint8_t* record52) = 0;
    virtual uint8_t bSendAllwaysLive(int32_t socket) = 0;
    virtual uint8_t bSendCheckLive(int32_t socket) = 0;
    virtual uint8_t bSendRestartSoft(int32_t socket) = 0;
    virtual uint8_t bUpdateSoftware(int32_t socket) = 0;
    virtual uint8_t bSendProdPrice(int32_t socket, const char* description, const char* price) = 0;
    virtual uint8_t bSendProdNotFound(int32_t socket) = 0;
    virtual uint8_t bSendDisplayMsg(int32_t socket, const char* line1, const char* line2,
                                    uint16_t time, int32_t flag) = 0;
    virtual int32_t iTypeTerm(int32_t socket) = 0;
    virtual uint8_t bSendImageFromFile(int32_t socket, const char* path, int32_t width,
                                       int32_t height, int32_t index, int32_t loop, int32_t pause,
                                       int32_t flag) = 0;
};

}  // namespace tarifon
