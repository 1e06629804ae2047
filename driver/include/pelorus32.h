/**
 * @file pelorus32.h
 * @brief Pelorus32: driver library for the KITEA and KITEB serial smart-card readers.
 *
 * The library drives one reader per port through ten plain C functions. A caller opens a reader
 * with QX_Open(), optionally registers a card-event callback with QX_RegisterCallback(), runs any
 * number of card sessions (QX_StartSession(), any number of QX_ExchangeAPDU(), QX_EndSession())
 * and finally closes the reader with QX_Close(). QX_GetInfo(), QX_SetOptions() and QX_Options()
 * may be called at any time while a handle is open.
 *
 * Every function but GetReaderErrorCode() returns a signed 32-bit result: 0 (or a handle) on
 * success, one of the negative @ref QX_ERR_OK "QX_ERR_*" codes on failure. No exception crosses
 * this interface. The records belong to the caller; the library fills them in place and keeps no
 * pointer to them after the call.
 *
 * @par Ports on Linux
 * Port 0 (COM1) and port 1 (COM2) are looked up in this order: the environment variables
 * @c PELORUS32_COM1 / @c PELORUS32_COM2, the file @c $XDG_CONFIG_HOME/pelorus32/ports.conf
 * (default @c ~/.config/pelorus32/ports.conf), @c /etc/pelorus32/ports.conf, and finally
 * @c /dev/ttyS0 / @c /dev/ttyS1. A value is a tty device path or @c rfc2217://host:port.
 * Port 16 (the keyboard port) is the Unix SEQPACKET socket named by @c PELORUS32_KEYBOARD
 * (or @c KEYBOARD= in ports.conf). ports.conf holds lines @c COM1=..., @c COM2=..., @c KEYBOARD=...;
 * lines starting with @c # are comments.
 *
 * @par Diagnostics and timing
 * @c PELORUS32_TRACE=stderr or @c PELORUS32_TRACE=/path/to/file writes a trace of every frame and
 * every failed system call. @c PELORUS32_TIME_SCALE (a positive factor, default 1) scales every
 * fixed delay and time-out of the library together; tests against the emulator use it to run fast.
 *
 * @par Threads
 * Calls are serialised inside the library: a call made while another is running waits for it.
 * The card-event callback runs on a thread of the library's own, never on the caller's thread:
 * each event exactly once, in the order the reader sent the events, one callback after the other.
 *
 * @par Late answers
 * The reader's frames carry no sequence numbers. So that an answer arriving after its wait (a
 * slow card, a stalled line, the reader's copy of a reply sent in answer to a NACK) is never
 * taken for another command's, a serial port on which an exchange was not one send and one good
 * reply is resynchronised before its next command: the library sends the empty frame and drops
 * everything up to the reader's answer to it. An exchange therefore waits at most six reply
 * waits (two to resynchronise, four for replies) plus its writes; when the reader does not answer
 * the empty frame in time, the exchange returns QX_ERR_TIMEOUT without sending its command. On
 * the keyboard port a reply that comes after its request gave up is waited for and dropped
 * before the next request goes out.
 *
 * @par Example
 * @code
 * int32_t h = QX_Open(QX_READER_AUTODETECT, QX_PORT_COM1);
 * if (h < 0) { fprintf(stderr, "open failed: %d\n", h); return 1; }
 * QX_SESSION s = {0};
 * s.CardType = QX_CARD_MCU_T0;
 * if (QX_StartSession(h, &s) == 0) {
 *     QX_APDU a = {0};
 *     a.CLA = 0x00; a.INS = 0xA4; a.P1 = 0x00; a.P2 = 0x00; a.Lc = 2; a.Le = 0;
 *     a.DataIn[0] = 0x3F; a.DataIn[1] = 0x00;
 *     if (QX_ExchangeAPDU(h, &a) == 0) printf("SW %04X\n", a.Status);
 *     QX_EndSession(h);
 * }
 * QX_Close(h);
 * @endcode
 */
#ifndef PELORUS32_H
#define PELORUS32_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define PELORUS32_API __attribute__((visibility("default")))
#else
#define PELORUS32_API
#endif

/** @name Reader types (first argument of QX_Open)
 *  Any value not listed behaves as QX_READER_KITEB_9600. @{ */
#define QX_READER_KITEA 0          /**< KITEA: frames without the leading STX, 9600 bit/s */
#define QX_READER_KITEB_57600 1    /**< KITEB at 57600 bit/s */
#define QX_READER_KITEB_19200 2    /**< KITEB at 19200 bit/s */
#define QX_READER_KITEB_115200 3   /**< KITEB at 115200 bit/s */
#define QX_READER_KITEB_9600 4     /**< KITEB at 9600 bit/s */
#define QX_READER_AUTODETECT 255   /**< reset the reader by DTR and take the rate it announces */
/** @} */

/** @name Ports (second argument of QX_Open) @{ */
#define QX_PORT_COM1 0      /**< first serial port */
#define QX_PORT_COM2 1      /**< second serial port */
#define QX_PORT_KEYBOARD 16 /**< the keyboard-port transport (no card events, no retries) */
/** @} */

/** @name Card-type codes (QX_SESSION::CardType) @{ */
#define QX_CARD_AUTODETECT 0 /**< rewritten by the session start to QX_CARD_MCU_T0 or QX_CARD_MCU_T1 */
#define QX_CARD_LM104 1
#define QX_CARD_LM221 2 /**< LM221: the session start also writes its configuration */
#define QX_CARD_SLE4404 3
#define QX_CARD_GPM896 4
#define QX_CARD_AT101 5
#define QX_CARD_AT102 6
#define QX_CARD_LM8KP 7
#define QX_CARD_LM8KS 8
#define QX_CARD_LM2KP 9
#define QX_CARD_LM2KS 10
#define QX_CARD_IIC 11
#define QX_CARD_XIIC 12
#define QX_CARD_AT1604 13
#define QX_CARD_MCU_T0 14   /**< microcontroller card, T=0 */
#define QX_CARD_MCU_T1 15   /**< microcontroller card, T=1 */
#define QX_CARD_SC_MODULE 16 /**< the reader's security module */
#define QX_CARD_LM256 17
#define QX_CARD_LM4KP 18
#define QX_CARD_X76F041 19
#define QX_CARD_X24645 20 /**< the top bit of P1 is forced on for every command */
#define QX_CARD_ST1335 21
#define QX_CARD_ST1333 22
#define QX_CARD_X76F128 23
#define QX_CARD_X76F640 24
#define QX_CARD_X76F100 25
#define QX_CARD_LAST 25 /**< highest valid card-type code */
/** @} */

/** @name Logical memory-card commands (QX_APDU::INS for memory cards) @{ */
#define QXI_Read 1
#define QXI_Write 2
#define QXI_SetFuse 3
#define QXI_Verify 4
#define QXI_WriteProtect 5
#define QXI_ChangePIN 6
#define QXI_Erase 7
#define QXI_WriteCarry 8
#define QXI_Authenticate 9
#define QXI_SetProtect 10
#define QXI_ReadProtect 11
#define QXI_SetHE 12
#define QXI_LockPRotect 13
#define QXI_ClearProtect 14
#define QXI_WriteAll 15
#define QXI_EraseAll 16
#define QXI_Reactivate 17
#define QXI_CardOptions 18
#define QXI_BlowFuse 19
/** @} */

/** @name Options of QX_SetOptions and QX_Options @{ */
#define QX_OPT_BAUD_RATE 1   /**< value: QX_BAUD_* rate code; changes reader and line rate */
#define QX_OPT_READER 2      /**< value: low byte sent with reader command 0x03 */
#define QX_OPT_TOP_RATE 3    /**< switch reader and line to the reader's top rate */
#define QX_OPT_DETECT 4      /**< value 0 or 1: reset and detect on that COM port, else on the handle's port */
#define QX_OPT_ENABLE 7      /**< reader command 0x07 01 (0x8A when refused) */
#define QX_OPT_DISABLE 8     /**< reader command 0x07 00 */
#define QX_OPT_MODE 9        /**< value 1: reader command 0x06 01, else 0x06 02 */
#define QX_OPT_READ_BYTES 10 /**< QX_Options only: read up to 4 option bytes into the buffer */
/** @} */

/** @name Rate codes of QX_OPT_BAUD_RATE @{ */
#define QX_BAUD_9600 1
#define QX_BAUD_14400 2
#define QX_BAUD_19200 3
#define QX_BAUD_28800 4
#define QX_BAUD_38400 5
#define QX_BAUD_57600 6
#define QX_BAUD_115200 7
/** @} */

/** @name Card-event codes passed to the callback @{ */
#define QX_EVENT_CARD_INSERTED 11
#define QX_EVENT_CARD_REMOVED 12
/** @} */

/** @name Error codes
 *  Codes that name a status word are the result of the status check: the reader's two status
 *  bytes are kept as the last status word (see GetReaderErrorCode()); a first byte 0x90 is
 *  success whatever the second byte; the words listed here map to their code; any other word
 *  gives QX_ERR_STATUS_OTHER. @{ */
#define QX_ERR_OK 0
#define QX_ERR_RATE_REFUSED (-1)         /**< option 1: no info, firmware "KITEBT0220", rate not allowed, or refused */
#define QX_ERR_BAD_PORT_NUMBER (-100)    /**< QX_Open: port number above 128 */
#define QX_ERR_NO_HANDLE (-108)          /**< QX_Open: all 10 handle slots in use */
#define QX_ERR_NULL_RECORD (-600)        /**< a null record or buffer pointer */
#define QX_ERR_BAD_HANDLE (-603)         /**< handle outside 0 to 9, or its slot is free */
#define QX_ERR_NO_SESSION (-1001)        /**< exchange on a handle whose session card type is 0; status 0x6001 */
#define QX_ERR_STATUS_6002 (-1002)       /**< status 0x6002 */
#define QX_ERR_BAD_CARD_TYPE (-1003)     /**< CardType above 25; status 0x6003 */
#define QX_ERR_STATUS_6004 (-1004)       /**< status 0x6004 */
#define QX_ERR_NOT_SUPPORTED (-1005)     /**< INS outside 1 to 19 or unsupported by the card type; status 0x6005 */
#define QX_ERR_LM221_SETUP (-1006)       /**< LM221 configuration after reset failed; status 0x6020 */
#define QX_ERR_NO_DATA (-1007)           /**< MCU or module reply without data; status 0x6030 */
#define QX_ERR_STATUS_6032 (-1008)       /**< status 0x6032 */
#define QX_ERR_STATUS_6701 (-1009)       /**< status 0x6701 */
#define QX_ERR_STATUS_6702 (-1010)       /**< status 0x6702 */
#define QX_ERR_COMMAND_TOO_LONG (-1011)  /**< reader command too long for one frame, APDU Lc outside 0 to 256; status 0x6703 */
#define QX_ERR_STATUS_6704 (-1012)       /**< status 0x6704 */
#define QX_ERR_STATUS_6705 (-1013)       /**< status 0x6705 */
#define QX_ERR_STATUS_6706 (-1014)       /**< status 0x6706 */
#define QX_ERR_NO_PASSWORD (-1015)       /**< password or key not yet presented in this session; status 0x6201 */
#define QX_ERR_BAD_CLA (-1050)           /**< memory-card exchange with CLA not 0 */
#define QX_ERR_BAD_PARAMETER (-1051)     /**< P1, P2, Lc or Le outside what the card type accepts */
#define QX_ERR_KEYBOARD_LENGTH (-1052)   /**< keyboard port: command too long, or reply of 600 bytes or more */
#define QX_ERR_ODD_ADDRESS (-1053)       /**< word-addressed card: odd address in P2 */
#define QX_ERR_BAD_FRAME (-1080)         /**< no valid reply frame after the retries, or three resend requests */
#define QX_ERR_TIMEOUT (-1081)           /**< no reply, port not usable, reader absent, write failed */
#define QX_ERR_BAD_OPTION_VALUE (-1082)  /**< option 1 rate code outside 1 to 7; QX_Options length outside 0 to 4 */
#define QX_ERR_OPTION_FAILED (-1083)     /**< option not supported, refused by the reader, or transfer failed */
#define QX_ERR_STATUS_6022 (-1084)       /**< status 0x6022 */
#define QX_ERR_NO_THREAD (-1085)         /**< a thread or event could not be created */
#define QX_ERR_NO_KEYBOARD_PORT (-1086)  /**< the keyboard-port device could not be opened */
#define QX_ERR_STATUS_OTHER (-1099)      /**< any other reader status word */
/** @} */

/** @name Record sizes @{ */
#define QX_DATA_SIZE 256 /**< size of QX_APDU::DataIn and QX_APDU::DataOut */
#define QX_ATR_SIZE 128  /**< size of QX_SESSION::ATR */
/** @} */

/**
 * @brief One command and its response (528 bytes), for QX_ExchangeAPDU().
 *
 * For microcontroller cards and the security module this is an ISO 7816-4 command APDU; for
 * memory cards @c INS is a logical command (QXI_Read ... QXI_BlowFuse) and @c CLA must be 0.
 */
typedef struct QX_APDU {
    uint8_t CLA;                   /**< class byte; 0 for memory cards */
    uint8_t INS;                   /**< instruction byte; for memory cards the logical command 1 to 19 */
    uint8_t P1;                    /**< parameter 1 (memory cards: usually the high address byte or a selector) */
    uint8_t P2;                    /**< parameter 2 (memory cards: usually the low address byte) */
    int32_t Lc;                    /**< number of bytes in DataIn, 0 to 256 (its low byte is the APDU's Lc byte) */
    int32_t Le;                    /**< in: expected response length (low byte sent); out: bytes placed in DataOut */
    uint8_t DataIn[QX_DATA_SIZE];  /**< command data */
    uint8_t DataOut[QX_DATA_SIZE]; /**< response data */
    uint16_t Status;               /**< out: SW1 in the high half, SW2 in the low half */
    uint8_t Reserved[2];           /**< not used */
} QX_APDU;

/**
 * @brief A card session (132 bytes), for QX_StartSession().
 */
typedef struct QX_SESSION {
    uint8_t CardType;         /**< in: card-type code 0 to 25; out: the card type in force */
    uint8_t SCModule;         /**< in: byte sent with the security-module reset (CardType 16) */
    uint8_t ATRLen;           /**< out: number of valid bytes in ATR (at most 128, see QX_StartSession()) */
    uint8_t ATR[QX_ATR_SIZE]; /**< out: the card's answer to reset */
    uint8_t Spare;            /**< out: 0 whenever ATR is filled */
} QX_SESSION;

/**
 * @brief The reader's information block (32 bytes), filled by QX_GetInfo().
 */
typedef struct QX_INFO {
    int32_t MaxC;            /**< maximum command data length the reader accepts */
    int32_t MaxR;            /**< maximum response data length the reader returns */
    int32_t CardTypeMask;    /**< supported card types, 16 bits */
    uint8_t CardStatus;      /**< bit 0 card inserted, bit 1 card powered up */
    uint8_t CurrentCardType; /**< reader card-type byte currently selected */
    char FWRevision[10];     /**< firmware revision text, not terminated */
    int32_t LibraryVersion;  /**< library version times 100: always 501 */
    int32_t BaudRate;        /**< current line rate of the handle's port in bit/s */
} QX_INFO;

/**
 * @brief Card-event callback: receives QX_EVENT_CARD_INSERTED or QX_EVENT_CARD_REMOVED.
 *
 * An event that arrives while no callback runs starts a new thread for it; events that arrive
 * while a callback still runs wait for it and follow on the same thread, so callbacks never
 * overtake each other and none is lost to a flood of events (up to 65536 waiting; beyond that the
 * newest are dropped). The library ignores the result and neither waits for nor joins the
 * threads. A callback may call back into the library. Event frames are recognised wherever they
 * arrive: alone, in front of or behind a reply, or behind noise; the reply stays for the exchange
 * that waits for it.
 */
typedef int32_t (*QX_CALLBACK)(int32_t event_code);

/**
 * @brief Opens a reader and returns a handle 0 to 9.
 *
 * The first open of a serial port sets the port up, waits 2 s for the listener to start, for
 * QX_READER_AUTODETECT resets the reader by DTR and takes the rate it announces (no announcement:
 * the port falls back to KITEA framing at 9600 bit/s), and then sends the presence probe; the
 * reader must answer it with a resend request. Opening a port that is already open only adds a
 * handle (ReaderType is then ignored). The port is opened exclusively: another process cannot use
 * it while it is open here.
 *
 * @param ReaderType one of the QX_READER_* values
 * @param Port QX_PORT_COM1, QX_PORT_COM2 or QX_PORT_KEYBOARD
 * @return a handle, or QX_ERR_BAD_PORT_NUMBER (port above 128), QX_ERR_TIMEOUT (any other bad port,
 *         a port that cannot be opened or set up, no reader), QX_ERR_NO_HANDLE, QX_ERR_NO_THREAD,
 *         QX_ERR_NO_KEYBOARD_PORT, or an error of the keyboard port's information command.
 */
PELORUS32_API int32_t QX_Open(int32_t ReaderType, int32_t Port);

/**
 * @brief Closes a handle; the port closes with its last handle.
 * @return 0, or QX_ERR_BAD_HANDLE.
 */
PELORUS32_API int32_t QX_Close(int32_t Handle);

/**
 * @brief Selects the card type, powers the card up and returns its answer to reset.
 *
 * For CardType 16 the security module is reset with SCModule instead. CardType 0 becomes 14
 * (status 90 00) or 15 (status 90 01); CardType 15 with status 90 01 becomes 14. The LM221
 * (code 2) also has its configuration written. Every successful start forgets the passwords
 * presented in earlier sessions.
 *
 * An answer to reset longer than the 128 bytes of ATR is cut to its first 128 bytes and ATRLen
 * is 128; nothing is written past the record.
 *
 * @return 0, QX_ERR_BAD_HANDLE, QX_ERR_NULL_RECORD, QX_ERR_BAD_CARD_TYPE, QX_ERR_LM221_SETUP, a
 *         transfer error, or the status check's error.
 */
PELORUS32_API int32_t QX_StartSession(int32_t Handle, QX_SESSION *Session);

/**
 * @brief Powers the card (or the security module) down.
 * @return 0, QX_ERR_BAD_HANDLE, a transfer error, or the status check's error.
 */
PELORUS32_API int32_t QX_EndSession(int32_t Handle);

/**
 * @brief Reads the reader's information block.
 * @return 0, QX_ERR_BAD_HANDLE, QX_ERR_NULL_RECORD, a transfer error, the status check's error,
 *         or QX_ERR_BAD_FRAME when the reply carries fewer than the 16 information bytes.
 */
PELORUS32_API int32_t QX_GetInfo(int32_t Handle, QX_INFO *Info);

/**
 * @brief Sets a reader option (QX_OPT_*).
 * @return 0 or an error code; see the QX_OPT_* constants. Options 0, 5, 6 and above 9 give
 *         QX_ERR_OPTION_FAILED.
 */
PELORUS32_API int32_t QX_SetOptions(int32_t Handle, uint32_t Option, uint32_t Value);

/**
 * @brief Option 10 reads Length (0 to 4) option bytes into Buffer; any other option is passed to
 *        QX_SetOptions(Handle, Option, Value).
 *
 * A reader that does not know the option command answers with the two card-type mask bytes of
 * its information block in Buffer[0] and Buffer[1] (the rest zero).
 *
 * @return 0, QX_ERR_BAD_HANDLE, QX_ERR_BAD_OPTION_VALUE (Length outside 0 to 4),
 *         QX_ERR_NULL_RECORD (null Buffer with Length above 0), QX_ERR_OPTION_FAILED, or an error
 *         of the information command or the status check.
 */
PELORUS32_API int32_t QX_Options(int32_t Handle, int32_t Option, int32_t Value, uint8_t *Buffer, int32_t Length);

/**
 * @brief Exchanges one command with the card of the handle's session.
 *
 * Microcontroller cards (14, 15) and the security module (16): the APDU goes to the card and the
 * card's answer comes back in DataOut, Le (number of bytes) and Status (the card's SW1 SW2).
 * Lc is the number of DataIn bytes sent, 0 to 256: all of them go out, and the APDU's Lc byte and
 * the reader command's length byte ((Lc + 6) mod 256) carry their low bytes, so 256 goes out as
 * Lc byte 00 with 256 bytes of data. An Lc below 0 or above 256 gives QX_ERR_COMMAND_TOO_LONG
 * before anything is sent. Only the low byte of Le is sent.
 * A reply whose data would not fit DataOut, whose length does not match the data received (more
 * or less), or that carries only one byte (no room for two status bytes) gives QX_ERR_BAD_FRAME
 * and changes nothing in the record.
 *
 * Memory cards: INS is the logical command; the library builds the reader commands for the card
 * type and fills Status with the reader's status word, Le and DataOut with the reply data (a
 * reply whose length byte does not match its data gives QX_ERR_BAD_FRAME). Checks
 * of P1, P2, Lc and Le come first and send nothing; an Lc that needs more than the 256 bytes of
 * DataIn is refused with QX_ERR_BAD_PARAMETER, and so is a verify of a code of no bytes
 * (LM8KS, LM2KS), which the reader would take for reading the protection. A byte-by-byte write (LM104, LM221, ST1335, ST1333)
 * of no byte sends nothing and succeeds with Le 0 and Status 0x9000. The X24645 has the top bit
 * of P1 set in the caller's record. The password cards (X76F041, X76F128, X76F640, X76F100) keep
 * the passwords the card accepted until the next successful QX_StartSession; a protected access
 * without one gives QX_ERR_NO_PASSWORD and sends nothing.
 *
 * @return 0, QX_ERR_BAD_HANDLE, QX_ERR_NULL_RECORD, QX_ERR_NO_SESSION, QX_ERR_BAD_CLA,
 *         QX_ERR_NOT_SUPPORTED, QX_ERR_BAD_PARAMETER, QX_ERR_ODD_ADDRESS, QX_ERR_NO_PASSWORD,
 *         QX_ERR_NO_DATA, a transfer error or the status check's error. After an error Status, Le
 *         and DataOut are unchanged.
 */
PELORUS32_API int32_t QX_ExchangeAPDU(int32_t Handle, QX_APDU *Apdu);

/**
 * @brief Registers the card-event callback of the handle's port (NULL switches events off).
 *
 * One callback is kept per port and shared by all its handles. Events exist only on serial ports
 * with STX framing (not with QX_READER_KITEA, not on the keyboard port).
 *
 * @return 0 or QX_ERR_BAD_HANDLE.
 */
PELORUS32_API int32_t QX_RegisterCallback(int32_t Handle, QX_CALLBACK Callback);

/**
 * @brief The status word of the last reader reply that went through the status check
 *        (first status byte in the high half); 0 before the first.
 */
PELORUS32_API uint16_t GetReaderErrorCode(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* The records cross the library boundary: their layout is fixed. */
#ifdef __cplusplus
#define PELORUS32_STATIC_ASSERT static_assert
#else
#define PELORUS32_STATIC_ASSERT _Static_assert
#endif
PELORUS32_STATIC_ASSERT(sizeof(QX_APDU) == 528, "QX_APDU is 528 bytes");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, CLA) == 0, "QX_APDU.CLA");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, INS) == 1, "QX_APDU.INS");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, P1) == 2, "QX_APDU.P1");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, P2) == 3, "QX_APDU.P2");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, Lc) == 4, "QX_APDU.Lc");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, Le) == 8, "QX_APDU.Le");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, DataIn) == 12, "QX_APDU.DataIn");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, DataOut) == 268, "QX_APDU.DataOut");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, Status) == 524, "QX_APDU.Status");
PELORUS32_STATIC_ASSERT(offsetof(QX_APDU, Reserved) == 526, "QX_APDU.Reserved");
PELORUS32_STATIC_ASSERT(sizeof(QX_SESSION) == 132, "QX_SESSION is 132 bytes");
PELORUS32_STATIC_ASSERT(offsetof(QX_SESSION, CardType) == 0, "QX_SESSION.CardType");
PELORUS32_STATIC_ASSERT(offsetof(QX_SESSION, SCModule) == 1, "QX_SESSION.SCModule");
PELORUS32_STATIC_ASSERT(offsetof(QX_SESSION, ATRLen) == 2, "QX_SESSION.ATRLen");
PELORUS32_STATIC_ASSERT(offsetof(QX_SESSION, ATR) == 3, "QX_SESSION.ATR");
PELORUS32_STATIC_ASSERT(offsetof(QX_SESSION, Spare) == 131, "QX_SESSION.Spare");
PELORUS32_STATIC_ASSERT(sizeof(QX_INFO) == 32, "QX_INFO is 32 bytes");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, MaxC) == 0, "QX_INFO.MaxC");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, MaxR) == 4, "QX_INFO.MaxR");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, CardTypeMask) == 8, "QX_INFO.CardTypeMask");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, CardStatus) == 12, "QX_INFO.CardStatus");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, CurrentCardType) == 13, "QX_INFO.CurrentCardType");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, FWRevision) == 14, "QX_INFO.FWRevision");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, LibraryVersion) == 24, "QX_INFO.LibraryVersion");
PELORUS32_STATIC_ASSERT(offsetof(QX_INFO, BaudRate) == 28, "QX_INFO.BaudRate");
#undef PELORUS32_STATIC_ASSERT

#endif /* PELORUS32_H */
