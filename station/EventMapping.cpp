#include "station/EventMapping.h"

PublishedEvent publishedEvent(const MonitorEvent &event)
{
    PublishedEvent published;
    published.msecsSinceEpoch = event.time.toMSecsSinceEpoch();
    published.utcOffsetSeconds = event.time.offsetFromUtc();
    published.event = eventName(event.kind);
    published.quantity = quantityName(event.quantity);
    published.value = event.value;
    published.limit = event.limit;
    published.detail = event.detail;
    return published;
}
