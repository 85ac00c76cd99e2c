#include "publish/PublishLog.h"

Q_LOGGING_CATEGORY(lcPublish, "orvel.publish")
