// Launches forwarded between launcher processes of the same game and user. The running
// instance listens from before it claims the instance record, and hands what arrives to the
// engine through SendIPC, on the main thread, in bounded steps from the engine's own event
// calls while its run entry point runs. A second launch hands over its held documents and
// its "CommandLine|" message, and learns whether the instance took them.
#pragma once

#include <cstddef>

// Starts listening as this process (logs when it cannot); the guard calls it when it claims
// the game, before the record names this process, so that a launch that finds the record
// finds the channel too. The listener then stays for the whole process: a launch that
// arrives between two runs waits for the next one.
void ListenForForwardedLaunches();
// Stops listening: launches not yet confirmed are ended (their senders learn it). Logs the
// run's summary as EndForwardingRun does.
void StopForwardedLaunches();
// Logs the run's summary of what was refused or not logged; the listener stays.
void EndForwardingRun();
// Allows delivery on this thread (the caller's) while on is non-zero.
void AllowForwardedDelivery(int on);
// One bounded step: serves the channel and hands at most a few messages to the engine, then
// brings the window to the front. Does nothing unless allowed, on another thread, or while
// it already delivers.
void DeliverForwardedLaunches();
// 1 when DeliverForwardedLaunches may have something to do; costs no system call, so that an
// event call in which nothing arrived stays as cheap as SDL's own.
int ForwardedLaunchesWaiting();
// After the engine's run: takes the confirmations already sent and delivers every launch
// that was confirmed, so that no sender was told of a delivery that did not happen.
void FinishForwardedLaunches();
// 1 for a message the engine header allows: "OpenFile|" within QRN_OPEN_FILE_MESSAGE_CAPACITY
// or "CommandLine|" within the command-line capacity.
int IsForwardableMessage(const char* message);
// Second launch: the held messages and the launch's documents, in order, then message (the
// command line, length characters: one that did not fit its buffer is not sent cut), to the
// running instance with this identity (8 bytes; null when none is known), in as many
// hand-overs as they take. Logs why and each message when they were not delivered, or not
// confirmed as delivered, and each document too long for the engine. kForwardDone only when
// the running engine has every message of the launch. With mayPlay, an instance found ended
// before it took a hand-over gives kForwardInstanceEnded instead: the documents it did not
// take stay held, unlogged, for this launch to play with.
enum ForwardResult { kForwardIncomplete = 0, kForwardDone = 1, kForwardInstanceEnded = 2 };
int ForwardToInstance(const unsigned char* identity, const char* message, size_t length,
                      int mayPlay);
