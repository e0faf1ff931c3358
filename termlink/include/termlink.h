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
 * The functions themselves are listed, with what each does, in termlink_functions.h.
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
#define TERMLINK_ADDRESS_BUFFER_SIZE 46 /* the longest IPv6 text and a zero byte */

/* Model code (iTypeTerm) of a browser showing the kiosk page: it shows pictures. */
#define TERMLINK_MODEL_BROWSER 100
/* Model code of a web price checker's request: no picture display, never listed. */
#define TERMLINK_MODEL_WEB_CHECKER 1

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

#include "termlink_functions.h"

#define TERMLINK_DECLARE(ret, name, params, args, bytes) TERMLINK_API ret name params;
TERMLINK_FUNCTIONS(TERMLINK_DECLARE)
#undef TERMLINK_DECLARE

#ifdef __cplusplus
}
#endif
