#pragma once

#include "publish/PublishedEvent.h"
#include "recording/RecordRow.h"

#include <QByteArray>

// The JSON of the published messages, with times and numbers written exactly as the recording
// writes them (a missing or unusable value is null):
//   {"time":"2026-12-07T14:05:09.123+01:00","elevation":12.5,"azimuth":-3.25}
//   {"time":"...","event":"alarm-start","quantity":"elevation","value":5.2,"limit":5,"detail":""}
namespace MessagePayload
{

QByteArray reading(const Reading &reading);
QByteArray event(const PublishedEvent &event);

} // namespace MessagePayload
