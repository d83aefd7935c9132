#pragma once

namespace kestrine::platform {

// For programs that serve until they are told to stop (the simulator, the exporter).

// Call first in main, before any thread starts: SIGINT and SIGTERM are then held
// for AwaitStopSignal alone (on Windows, a handler notes them), so a stop asked for
// while the program starts up still ends it cleanly.
void PrepareForStopSignal();
// Returns once SIGINT or SIGTERM came.
void AwaitStopSignal();

// Raises the soft open-file limit to the hard one: a fleet of a thousand needs a
// thousand listeners, a thousand probes a thousand connections.
void AllowAllOpenFiles();

}  // namespace kestrine::platform
