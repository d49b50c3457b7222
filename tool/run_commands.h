#pragma once
// The commands of a run with arguments, in their order: the attribute block (the configured
// attributes, or the host's own where the settings say "current"), the construction, and the
// restore block that switches the host back to its own layer group and layer where they were
// changed. The form queues a run through these, and so does the fuzzer.
#include "tool/run_mode.h"
#include "tool/settings_file.h"

// Resets the emitted attributes and queues the attribute block, the construction of `mode`
// and the restore block. "/R10" stops after the attribute block: its shape and restore block
// follow OK (QueueEllipseRun). False when "/R5" to "/R7" find no line: the attribute block
// alone is queued, and the run ends at once.
bool QueueRunCommands(const ToolSettings& settings, const RunMode& mode);

// The radius and ratio that OK of "/R10" accepts: both above the geometry threshold.
bool AcceptsEllipse(double radius, double ratio);

// OK of "/R10" with accepted values: the circle or ellipse of `settings` (whose angle is
// reduced to a full turn already), then the restore block.
void QueueEllipseRun(const ToolSettings& settings);
