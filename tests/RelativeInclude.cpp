// Built by the tests against the link library, which may not use the protocol: the path relative
// to this file names the header past the library's view, and the build must refuse it.
#include "../protocol/Exchange.h"
