#pragma once

class QObject;
class QThread;

// Waits at most waitMs for a worker's thread to end (the caller has already queued what ends
// it), then deletes the worker and the thread. A thread still running then is stuck in a system
// call (a disk or a network that does not answer): deleting it would abort, so it is left to end
// with the process, and should it end after all, both go then. False when it was left running.
bool endWorkerThread(QThread *thread, QObject *worker, int waitMs);
