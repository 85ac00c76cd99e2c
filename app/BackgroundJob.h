#pragma once

#include <QString>
#include <functional>

class QWidget;
struct JobProgress;

// Runs slow work (reading or writing a large file) on a thread of its own, behind a progress
// dialog whose Cancel asks the work to stop. The window stays responsive throughout; `ended`
// runs on the GUI thread once the work has returned, unless the owner is gone by then (the work
// is then asked to stop and ends on its own).
namespace BackgroundJob
{

void run(QWidget *owner, const QString &label, std::function<void(JobProgress &)> work,
         std::function<void(bool cancelled)> ended);

} // namespace BackgroundJob
