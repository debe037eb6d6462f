#ifndef KESTRA_H
#define KESTRA_H
/*
 * Kestra: two independent CRC-16 accumulators, fed one byte per call.
 *
 * The check is CRC-16 with polynomial 0x1021, initial value 0xFFFF, no bit reflection and
 * the result inverted (CRC-16/GENIBUS: "123456789" gives 0xD64E). Channel 1 steps through a
 * 256-entry table, channel 16 shifts bit by bit; both give the same result for the same bytes.
 *
 * Each channel is one process-wide accumulator: it holds 0xFFFF once the library is loaded,
 * returns to 0xFFFF on IniCrc1/IniCrc16 and is not reset by a read, so bytes added after a
 * read extend the same check. The accumulators are not guarded: callers serialise their use
 * and do not interleave two checksums on one channel.
 *
 * Usage: IniCrc1(); for each byte Crc1(byte); crc = GetCrc1();
 */
#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define KESTRA_CALL __stdcall
#else
#define KESTRA_CALL
#endif

#if defined(_WIN32)
#define KESTRA_API __declspec(dllexport)
#else
#define KESTRA_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Channel 1 accumulator := 0xFFFF. */
KESTRA_API void KESTRA_CALL IniCrc1(void);
/* Adds one byte (0..255) to channel 1 and returns -1; any other value is refused: returns 0
   and leaves the accumulator as it was. */
KESTRA_API int32_t KESTRA_CALL Crc1(int32_t value);
/* The check of the bytes added to channel 1 so far, 0..65535. */
KESTRA_API int32_t KESTRA_CALL GetCrc1(void);

/* The same three operations on channel 16. */
KESTRA_API void KESTRA_CALL IniCrc16(void);
KESTRA_API int32_t KESTRA_CALL Crc16(int32_t value);
KESTRA_API int32_t KESTRA_CALL GetCrc16(void);

#ifdef __cplusplus
}
#endif

#endif /* KESTRA_H */
