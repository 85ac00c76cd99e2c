#include "publish/PublishLog.h"

// Debug lines (each failed try) only when asked for.
Q_LOGGING_CATEGORY(lcPublish, "orvel.publish", QtInfoMsg)
