// The chart's plot compiled as if against a plotting library release it was not checked
// against: the build must stop with the plot's own message (see orvel_add_version_probe).
#include <qcustomplot.h>
#undef QCUSTOMPLOT_VERSION
#define QCUSTOMPLOT_VERSION 0x020200
#include PROBED_SOURCE
