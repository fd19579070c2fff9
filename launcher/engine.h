// Binding to the engine library and message forwarding.
#pragma once

int InitQuarn();
void UnloadQuarn();
// Hands a message to the engine, with a log line that shows control characters escaped; while
// no engine is bound the message is held for delivery after create, and not logged.
int SendIPC(const char* message);
// The same without the log line, once a run's share of forwarded messages has been logged.
int SendIPCUnlogged(const char* message);
