/*
 * libDES.so: the cipher library of the VELA1 card operations. Single DES on one 8-byte block,
 * and a DES CBC-MAC with a zero IV (ISO/IEC 9797-1 algorithm 1, data padded with zero bytes to a
 * multiple of 8). Keys are 8 bytes; their parity bits are ignored and weak keys are accepted, as
 * the cards accept them. The utility loads the library by file name and looks the three entries
 * up by name; these are their types.
 */
#ifndef DES_CIPHER_H
#define DES_CIPHER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Enciphers the 8-byte block in place under the 8-byte key. */
typedef void (*DesEncryptFunction)(uint8_t* block, const uint8_t* key);
/* Deciphers the 8-byte block in place under the 8-byte key. */
typedef void (*DesDecryptFunction)(uint8_t* block, const uint8_t* key);
/* Writes the 8-byte MAC of `length` bytes of data under the key into result. */
typedef void (*DesMacFunction)(uint8_t* result, const uint8_t* data, int32_t length, const uint8_t* key);

__attribute__((visibility("default"))) void Encrypt(uint8_t* block, const uint8_t* key);
__attribute__((visibility("default"))) void Decrypt(uint8_t* block, const uint8_t* key);
__attribute__((visibility("default"))) void MAC(uint8_t* result, const uint8_t* data, int32_t length, const uint8_t* key);

#ifdef __cplusplus
}
#endif

#endif
