// Launches forwarded between launcher processes of the same game and user. The running
// instance listens while it holds the instance record and hands what arrives to the engine
// through SendIPC, only on the main thread while the engine's run entry point pumps SDL
// events. A second launch hands over its held documents and its "CommandLine|" message.
#pragma once

// Starts and stops listening (logs when listening cannot start).
void ListenForForwardedLaunches();
void StopForwardedLaunches();
// Allows delivery on this thread (the caller's) while on is non-zero.
void AllowForwardedDelivery(int on);
// Hands queued launches to the engine in the order received and brings the window to the
// front. Does nothing unless allowed, on another thread, or while it already delivers.
void DeliverForwardedLaunches();
// Second launch: the held messages, in order, then message, to the running instance. Logs
// each message that could not be delivered. 1 when delivered.
int ForwardToInstance(const char* message);
