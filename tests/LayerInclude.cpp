// Compiled by the tests inside a library's own view of the headers, not linked: a header of a
// folder that the library may not use is not found.
#include LAYER_HEADER
