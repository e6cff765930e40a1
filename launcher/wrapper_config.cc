// Defines one launcher's constants; the build puts that launcher's generated values on the path.
#include "launcher/wrapper_config.h"

#include "wrapper_values.inc"
