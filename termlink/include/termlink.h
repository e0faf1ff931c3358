#pragma once
/*
 * termlink: the price-query terminal server library (C ABI).
 *
 * A TCP server with its own network thread; the caller polls it for events and
 * calls it to send replies and commands.  Every function is safe to call from
 * several threads at once.  Booleans are returned as 8-bit values (1 or 0).
 * Records are byte blocks of fixed size, little-endian, whose first 32-bit field
 * is the socket value in a request and a nonzero "filled" flag in a reply.
 * Text is zero-terminated Windows-1252.  The wire protocol is in docs/protocol.md.
 */
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(TERMLINK_BUILDING)
#define TERMLINK_API __attribute__((visibility("default")))
#else
#define TERMLINK_API
#endif

/* Record sizes in bytes. */
#define TERMLINK_NET_CONFIG_SIZE 159
#define TERMLINK_UPD_CONFIG_SIZE 214
#define TERMLINK_PARAM_SIZE 6
#define TERMLINK_WLAN_CONFIG_SIZE 52
#define TERMLINK_MAC_ADDR_SIZE 22
#define TERMLINK_TABSOCK_SIZE 8196
#define TERMLINK_BARCODE_BUFFER_SIZE 1024
#define TERMLINK_NTOA_BUFFER_SIZE 21
#define TERMLINK_TABLE_SLOTS 1024

/* Response codes that terminals report (GetResponseCtr). */
#define TERMLINK_RESPONSE_SOFTWARE_UPDATED 370   /* after bUpdateSoftware */
#define TERMLINK_RESPONSE_ALWAYS_LIVE 372        /* after bSendAllwaysLive */
#define TERMLINK_RESPONSE_CHECK_LIVE 374         /* after bSendCheckLive */
#define TERMLINK_RESPONSE_RESTART_SOFT 378       /* after bSendRestartSoft */
#define TERMLINK_RESPONSE_PARAM_WRITTEN 386      /* after bMandaParam */
#define TERMLINK_RESPONSE_UPD_CONFIG_WRITTEN 388 /* after bMandaUpdConfig */
#define TERMLINK_RESPONSE_ERROR_PAIR 390         /* followed at once by a second code */
#define TERMLINK_RESPONSE_WANTS_PICTURES 392     /* the terminal asks for its picture set */
#define TERMLINK_RESPONSE_WLAN_WRITTEN 400       /* after bMandaWlanConfig */

/* Reads termlink.ini and starts the network thread; later calls do nothing. */
TERMLINK_API void vInitialize(void);
/* Library version as 0x00MMmmpp (major, minor, patch). */
TERMLINK_API uint32_t dll_version(void);
/* Starts listening; nonzero when listening (also when already), 0 when it cannot bind. */
TERMLINK_API int32_t tc_startserver(void);
/* Fills the 8196-byte table: 1024 sockets, 1024 IPv4 addresses (network order), count. */
TERMLINK_API void GetTabConectados(uint8_t* tabsock, int32_t flag);
/* Writes the dotted text of an address taken from the table into a 21-byte buffer. */
TERMLINK_API void TCinet_ntoa(uint32_t address, char* text21);
/* Sends a keep-alive to one terminal. */
TERMLINK_API uint8_t bEnviaVivo(int32_t socket);
/* Takes one scanned code (round-robin across terminals): buffer = 1 byte, code, 0. */
TERMLINK_API uint8_t bReceiveBarcode(int32_t* socket, int32_t* spare, char* buffer1024,
                                     int32_t* length);
/* Takes one response code reported by a terminal. */
TERMLINK_API uint8_t GetResponseCtr(int32_t* socket, int32_t* code);
/* Copies the oldest network-settings reply into a 159-byte record. */
TERMLINK_API uint8_t bReceiveConfig(uint8_t* record159);
/* Copies the oldest update-server reply into a 214-byte record. */
TERMLINK_API uint8_t bReceiveUpdConfig(uint8_t* record214);
/* Copies the oldest extras reply into a 6-byte record. */
TERMLINK_API uint8_t bReceiveParam(uint8_t* record6);
/* Copies the oldest WLAN reply into a 52-byte record. */
TERMLINK_API uint8_t bReceiveWlanConfig(uint8_t* record52);
/* Copies the oldest MAC-address reply into a 22-byte record. */
TERMLINK_API uint8_t bReceiveMacAddrConfig(uint8_t* record22);
/* Asks a terminal for its network settings. */
TERMLINK_API uint8_t bPedeConfig(int32_t socket);
/* Asks a terminal for its update-server settings. */
TERMLINK_API uint8_t bPedeUpdConfig(int32_t socket);
/* Asks a terminal for its extras. */
TERMLINK_API uint8_t bPedeParam(int32_t socket);
/* Asks a terminal for its WLAN settings. */
TERMLINK_API uint8_t bPedeWlanConfig(int32_t socket);
/* Asks a terminal for the MAC address of an interface (0 wired, 1 wireless, 9 current). */
TERMLINK_API uint8_t bPedeMacAddr(int32_t socket, uint8_t interfaceCode);
/* Writes network settings; the socket is the record's first field. */
TERMLINK_API uint8_t bMandaConfig(const uint8_t* record159);
/* Writes update-server settings; the socket is the record's first field. */
TERMLINK_API uint8_t bMandaUpdConfig(const uint8_t* record214);
/* Writes extras; the socket is the record's first field. */
TERMLINK_API uint8_t bMandaParam(const uint8_t* record6);
/* Writes WLAN settings; the socket is the record's first field. */
TERMLINK_API uint8_t bMandaWlanConfig(const uint8_t* record52);
/* Maintenance command: stay connected always (answered with 372). */
TERMLINK_API uint8_t bSendAllwaysLive(int32_t socket);
/* Maintenance command: test the connection (answered with 374). */
TERMLINK_API uint8_t bSendCheckLive(int32_t socket);
/* Maintenance command: restart the terminal software (answered with 378). */
TERMLINK_API uint8_t bSendRestartSoft(int32_t socket);
/* Maintenance command: update the terminal software (answered with 370). */
TERMLINK_API uint8_t bUpdateSoftware(int32_t socket);
/* Answers the terminal's last scan with a description and a price text. */
TERMLINK_API uint8_t bSendProdPrice(int32_t socket, const char* description, const char* price);
/* Answers the terminal's last scan with "not found". */
TERMLINK_API uint8_t bSendProdNotFound(int32_t socket);
/* Shows two lines on a terminal for a time; flag is passed on unchanged. */
TERMLINK_API uint8_t bSendDisplayMsg(int32_t socket, const char* line1, const char* line2,
                                     uint16_t time, int32_t flag);
/* Model code the terminal announced when it connected; 0 when unknown. */
TERMLINK_API int32_t iTypeTerm(int32_t socket);
/* Reads a picture file (bounded) and sends it with six numbers; a missing file sends none. */
TERMLINK_API uint8_t bSendImageFromFile(int32_t socket, const char* path, int32_t width,
                                        int32_t height, int32_t index, int32_t loop, int32_t pause,
                                        int32_t flag);

#ifdef __cplusplus
}
#endif
