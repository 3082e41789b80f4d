/* The exchange file's record, as paperchk and the driver both read it: its
 * first 8 bytes, two little-endian 32-bit values. At offset 0 the decision
 * (written by paperchk), at offset 4 the completion flag (0 from paperchk,
 * 1 from the driver once it has acted on a retry). Plain C99, included by
 * paperchk_client.h: paperchk itself and the driver's library share it. */
#ifndef PAPERCHK_RECORD_H
#define PAPERCHK_RECORD_H

#include <stdint.h>

/* The decisions, as the file holds them (0: none written yet). */
#define PAPERCHK_DECISION_RETRY 1u
#define PAPERCHK_DECISION_IGNORE 2u
#define PAPERCHK_DECISION_CANCEL_PRINTING 3u

/* The completion flag that ends paperchk's wait after a retry. */
#define PAPERCHK_COMPLETION_DONE 1u

#define PAPERCHK_RECORD_SIZE 8u
#define PAPERCHK_DECISION_OFFSET 0u
#define PAPERCHK_COMPLETION_FLAG_OFFSET 4u

/* A byte of a 32-bit value, with the cast each language spells its own way
 * (the C++ program and tests include this header too). */
#ifdef __cplusplus
#define PAPERCHK_RECORD_BYTE(value, shift) static_cast<uint8_t>(((value) >> (shift)) & 0xFFu)
#else
#define PAPERCHK_RECORD_BYTE(value, shift) ((uint8_t)(((value) >> (shift)) & 0xFFu))
#endif

/* One 32-bit value of the record into its 4 bytes, and back. */
static inline void paperchk_record_put32(uint32_t value, uint8_t* bytes) {
  bytes[0] = PAPERCHK_RECORD_BYTE(value, 0);
  bytes[1] = PAPERCHK_RECORD_BYTE(value, 8);
  bytes[2] = PAPERCHK_RECORD_BYTE(value, 16);
  bytes[3] = PAPERCHK_RECORD_BYTE(value, 24);
}

static inline uint32_t paperchk_record_get32(const uint8_t* bytes) {
  const uint32_t b0 = bytes[0];
  const uint32_t b1 = bytes[1];
  const uint32_t b2 = bytes[2];
  const uint32_t b3 = bytes[3];
  return b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
}

#endif /* PAPERCHK_RECORD_H */
