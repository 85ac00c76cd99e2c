#pragma once

#include "recording/Reading.h"

// Where the live display hands every record it accepted, as it read it. Called on the GUI
// thread for each record line; an implementation must return at once (no disk, no waiting).
class ReadingSink
{
public:
    virtual ~ReadingSink() = default;
    virtual void readingAccepted(const Reading &reading) = 0;
};
