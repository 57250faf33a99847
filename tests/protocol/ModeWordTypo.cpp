// Compiled by the tests, not linked: a mode word that is none of the known ones must not compile.
#include "protocol/Exchange.h"

#ifndef MODE_WORD
#define MODE_WORD "stva"
#endif

const ModeWord mode = MODE_WORD;
