// The values that the support routines take from the program linking them, for the tests.
#include "support/diagnostics.h"

const char source_label[] = "./.libs/qn-unit-tests.cc";
const char default_program_name[] = "quenlo-wrapper";
