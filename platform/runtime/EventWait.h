#pragma once

// One cycle of a wait for the device: lets every pending event run, then sleeps until something
// wakes it (characters arriving, interrupt()) or at most maxMs milliseconds have passed. It never
// spins: a cycle with nothing to do costs one timer wake-up.
class EventWait
{
public:
    virtual ~EventWait() = default;
    virtual void processEvents(int maxMs) = 0;
    // Ends the cycle in progress, if any, at once.
    virtual void interrupt() = 0;
};
