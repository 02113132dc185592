#pragma once

// Blocks the caller for `ms` milliseconds while the event loop runs, so the
// window stays live (Pause clicks are handled) and the process stays idle.
void waitWithEvents(int ms);
