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

/* The program's pages served on the web port (bReceivePageRequest): the longest path and its
   zero byte. */
#define TERMLINK_PAGE_PATH_SIZE 64

/* What the library counts (bReadCounters), by index. */
#define TERMLINK_COUNTER_REFUSED 0          /* connections from outside the allow list */
#define TERMLINK_COUNTER_CONSOLE_REFUSED 1  /* page requests from outside [console] allow */
#define TERMLINK_COUNTER_DROPPED_SCANS 2    /* codes dropped from a terminal's full queue */
#define TERMLINK_COUNTER_PAGES_UNANSWERED 3 /* page requests answered 503 by the library */
#define TERMLINK_COUNTER_CONNECTED_TCP 4    /* terminals of our protocol connected now */
#define TERMLINK_COUNTER_CONNECTED_WS 5     /* kiosk pages connected now */
#define TERMLINK_COUNTER_RATE_REFUSED 6     /* connections from an address over connect_rate */
#define TERMLINK_COUNTERS 8                 /* values filled; the last one is zero for now */

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
