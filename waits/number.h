#ifndef KELVARN_WAITS_NUMBER_H
#define KELVARN_WAITS_NUMBER_H

#include <cstdint>

// Reads a number as atoi does: leading white space, one optional sign, the
// digits up to the first other character, 0 when there are none. Unlike
// atoi, a value outside the 32-bit range saturates instead of being
// undefined.
int32_t convert_number(const char* text);

#endif
