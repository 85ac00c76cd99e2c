#pragma once

#include "publish/PublishedEvent.h"
#include "watch/MonitorEvent.h"

// An event as the broker carries it: the events file's columns (time with its UTC offset, event,
// quantity, value, limit, detail).
PublishedEvent publishedEvent(const MonitorEvent &event);
