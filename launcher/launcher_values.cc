// Defines one launcher's values; the build puts that launcher's generated definitions on the path.
#include "launcher/launcher_values.h"

#include "launcher_values.inc"
