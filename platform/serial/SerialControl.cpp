// The interface's meta-object is compiled here, once for every implementation.
#include "platform/serial/SerialControl.h"
