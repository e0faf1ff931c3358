#pragma once
/*
 * The functions of termlink, written once.  Included by termlink.h, which declares
 * them; include that header, not this one.
 *
 * Each entry gives, in this order: the return type; the name; the parameter list
 * with names; the argument list that passes those parameters on; and the size in
 * bytes of the record, table or buffer the function reads or fills (0 when it
 * takes none).  The comment above an entry documents the function.  Every list
 * below takes the name of a macro of five parameters and applies it to each entry;
 * TERMLINK_FUNCTIONS applies it to all of them: the 31 of the terminal library's
 * interface and those of our own (TERMLINK_WAKEUP_FUNCTIONS, TERMLINK_WEB_FUNCTIONS,
 * TERMLINK_CONSOLE_FUNCTIONS).  The build
 * reads the names from here to make the library's version script and to check its exports, so an
 * entry starts its line.
 */

/* clang-format off */

/* Starting the server. */
#define TERMLINK_LIFECYCLE_FUNCTIONS(X)                                                         \
    /* Reads termlink.ini and starts the network thread; later calls do nothing. */             \
    X(void, vInitialize, (void), (), 0)                                                         \
    /* Library version as 0x00MMmmpp (major, minor, patch). */                                  \
    X(uint32_t, dll_version, (void), (), 0)                                                     \
    /* Starts listening; nonzero when listening (also when already), 0 when it cannot bind.     \
       Either way one line on standard error says where it listens or why it cannot. */         \
    X(int32_t, tc_startserver, (void), (), 0)

/* The connected-terminal table. */
#define TERMLINK_TABLE_FUNCTIONS(X)                                                             \
    /* Fills the table: 1024 socket values (0 = free slot), 1024 IPv4 addresses (network        \
       order), the count; all zero while there is no server.  The flag is ignored. */           \
    X(void, GetTabConectados, (uint8_t* table, int32_t flag), (table, flag),                    \
      TERMLINK_TABSOCK_SIZE)                                                                    \
    /* Writes the dotted text of an address taken from the table, zero-terminated. */           \
    X(void, TCinet_ntoa, (uint32_t address, char* text), (address, text),                       \
      TERMLINK_NTOA_BUFFER_SIZE)

/* What terminals report, taken one at a time; 0 when nothing is waiting. */
#define TERMLINK_QUERY_FUNCTIONS(X)                                                             \
    /* Takes one scanned code (terminals in turn): buffer = 0x02, the code, a zero byte;        \
       length = the code's length; spare = 0. */                                                \
    X(uint8_t, bReceiveBarcode,                                                                 \
      (int32_t* socket, int32_t* spare, char* buffer, int32_t* length),                         \
      (socket, spare, buffer, length), TERMLINK_BARCODE_BUFFER_SIZE)                            \
    /* Takes one response code reported by a terminal; a pair comes on two calls in a row. */   \
    X(uint8_t, GetResponseCtr, (int32_t* socket, int32_t* code), (socket, code), 0)             \
    /* Copies the oldest network-settings reply: the socket value, then the record. */          \
    X(uint8_t, bReceiveConfig, (uint8_t* record), (record), TERMLINK_NET_CONFIG_SIZE)           \
    /* Copies the oldest update-server reply. */                                                \
    X(uint8_t, bReceiveUpdConfig, (uint8_t* record), (record), TERMLINK_UPD_CONFIG_SIZE)        \
    /* Copies the oldest extras reply. */                                                       \
    X(uint8_t, bReceiveParam, (uint8_t* record), (record), TERMLINK_PARAM_SIZE)                 \
    /* Copies the oldest WLAN reply. */                                                         \
    X(uint8_t, bReceiveWlanConfig, (uint8_t* record), (record), TERMLINK_WLAN_CONFIG_SIZE)      \
    /* Copies the oldest MAC-address reply. */                                                  \
    X(uint8_t, bReceiveMacAddrConfig, (uint8_t* record), (record), TERMLINK_MAC_ADDR_SIZE)      \
    /* Model code the terminal announced when it connected; 0 when unknown. */                  \
    X(int32_t, iTypeTerm, (int32_t socket), (socket), 0)

/* What the program sends: 1 when queued for a live terminal, 0 for an unknown socket
   value, a null pointer or a full outbound queue. */
#define TERMLINK_COMMAND_FUNCTIONS(X)                                                           \
    /* Sends a keep-alive to one terminal. */                                                   \
    X(uint8_t, bEnviaVivo, (int32_t socket), (socket), 0)                                       \
    /* Asks a terminal for its network settings. */                                             \
    X(uint8_t, bPedeConfig, (int32_t socket), (socket), 0)                                      \
    /* Asks a terminal for its update-server settings. */                                       \
    X(uint8_t, bPedeUpdConfig, (int32_t socket), (socket), 0)                                   \
    /* Asks a terminal for its extras. */                                                       \
    X(uint8_t, bPedeParam, (int32_t socket), (socket), 0)                                       \
    /* Asks a terminal for its WLAN settings. */                                                \
    X(uint8_t, bPedeWlanConfig, (int32_t socket), (socket), 0)                                  \
    /* Asks a terminal for the MAC address of an interface (0 wired, 1 wireless, other          \
       values the one in use). */                                                               \
    X(uint8_t, bPedeMacAddr, (int32_t socket, uint8_t interfaceCode),                           \
      (socket, interfaceCode), 0)                                                               \
    /* Writes network settings; the socket value is the record's first field. */                \
    X(uint8_t, bMandaConfig, (const uint8_t* record), (record), TERMLINK_NET_CONFIG_SIZE)       \
    /* Writes update-server settings; the socket value is the record's first field. */          \
    X(uint8_t, bMandaUpdConfig, (const uint8_t* record), (record), TERMLINK_UPD_CONFIG_SIZE)    \
    /* Writes extras; the socket value is the record's first field. */                          \
    X(uint8_t, bMandaParam, (const uint8_t* record), (record), TERMLINK_PARAM_SIZE)             \
    /* Writes WLAN settings; the socket value is the record's first field. */                   \
    X(uint8_t, bMandaWlanConfig, (const uint8_t* record), (record), TERMLINK_WLAN_CONFIG_SIZE)  \
    /* Maintenance command: stay connected always (answered with 372). */                       \
    X(uint8_t, bSendAllwaysLive, (int32_t socket), (socket), 0)                                 \
    /* Maintenance command: test the connection (answered with 374). */                         \
    X(uint8_t, bSendCheckLive, (int32_t socket), (socket), 0)                                   \
    /* Maintenance command: restart the terminal software (answered with 378). */               \
    X(uint8_t, bSendRestartSoft, (int32_t socket), (socket), 0)                                 \
    /* Maintenance command: update the terminal software (answered with 370). */                \
    X(uint8_t, bUpdateSoftware, (int32_t socket), (socket), 0)                                  \
    /* Answers the terminal's last scan with a description and a price text. */                 \
    X(uint8_t, bSendProdPrice, (int32_t socket, const char* description, const char* price),    \
      (socket, description, price), 0)                                                          \
    /* Answers the terminal's last scan with "not found". */                                    \
    X(uint8_t, bSendProdNotFound, (int32_t socket), (socket), 0)                                \
    /* Shows two lines on a terminal for a time; the flag is passed on unchanged. */            \
    X(uint8_t, bSendDisplayMsg,                                                                 \
      (int32_t socket, const char* line1, const char* line2, uint16_t time, int32_t flag),      \
      (socket, line1, line2, time, flag), 0)                                                    \
    /* Reads a picture file (Windows-1252 path, at most 256 KiB) and sends it with the six      \
       numbers; a missing or unreadable file sends the numbers alone (they also mark the        \
       start and end of an upload), a larger file sends nothing and returns 0. */               \
    X(uint8_t, bSendImageFromFile,                                                              \
      (int32_t socket, const char* path, int32_t width, int32_t height, int32_t index,          \
       int32_t loop, int32_t pause, int32_t flag),                                              \
      (socket, path, width, height, index, loop, pause, flag), 0)

/* Ours, beside the interface: learning of scans without polling for them. */
#define TERMLINK_WAKEUP_FUNCTIONS(X)                                                            \
    /* A descriptor (an eventfd) that becomes readable when a scanned code is waiting and none  \
       was before: read its 8 bytes to clear it, then take codes with bReceiveBarcode until it  \
       returns 0 (codes left waiting signal nothing more).  The same descriptor for the life    \
       of the process; -1 before vInitialize or when it cannot be made. */                      \
    X(int32_t, iBarcodeEventFd, (void), (), 0)

/* Ours, beside the interface: what terminals that are not our protocol's (browsers, web price
   checkers) need from the program. */
#define TERMLINK_WEB_FUNCTIONS(X)                                                               \
    /* The program could not answer the terminal's last scan (its database failed or is not    \
       set): a browser shows its error state and a web price checker gets its error page.      \
       A terminal whose protocol cannot say so is sent nothing and the call returns 0. */       \
    X(uint8_t, bSendLookupFailed, (int32_t socket), (socket), 0)                                \
    /* Writes the peer address (IPv4 or IPv6 text, zero-terminated) of the terminal or web      \
       request that holds this socket value, or held it last: listed or not.  0 when the        \
       value is unknown (the text is then left as it was). */                                   \
    X(uint8_t, bTermAddress, (int32_t socket, char* text), (socket, text),                      \
      TERMLINK_ADDRESS_BUFFER_SIZE)

/* Ours, beside the interface: the status page, metrics and health check, which the library
   serves on its web port to the addresses of [console] allow, and the program writes. */
#define TERMLINK_CONSOLE_FUNCTIONS(X)                                                           \
    /* Takes the oldest request for a page of the program: its number, and its path ("/status", \
       "/metrics", "/healthz") zero-terminated; 0 when none waits.  Answer it with bSendPage;    \
       a request left unanswered for a few seconds is answered 503 by the library. */           \
    X(uint8_t, bReceivePageRequest, (int32_t* id, char* path), (id, path),                      \
      TERMLINK_PAGE_PATH_SIZE)                                                                  \
    /* Answers request `id`: the HTTP status, the Content-Type and `length` bytes of body.      \
       0 when the request is unknown (answered already, or given up). */                        \
    X(uint8_t, bSendPage,                                                                       \
      (int32_t id, int32_t status, const char* contentType, const char* body, int32_t length),  \
      (id, status, contentType, body, length), 0)                                               \
    /* Fills TERMLINK_COUNTERS values, indexed by TERMLINK_COUNTER_*: totals since the server   \
       started, and the terminals connected now.  0 without a server. */                        \
    X(uint8_t, bReadCounters, (uint64_t* counters), (counters), TERMLINK_COUNTERS * 8)

#define TERMLINK_FUNCTIONS(X)                                                                   \
    TERMLINK_LIFECYCLE_FUNCTIONS(X)                                                             \
    TERMLINK_TABLE_FUNCTIONS(X)                                                                 \
    TERMLINK_QUERY_FUNCTIONS(X)                                                                 \
    TERMLINK_COMMAND_FUNCTIONS(X)                                                               \
    TERMLINK_WAKEUP_FUNCTIONS(X)                                                                \
    TERMLINK_WEB_FUNCTIONS(X)                                                                   \
    TERMLINK_CONSOLE_FUNCTIONS(X)

/* clang-format on */
