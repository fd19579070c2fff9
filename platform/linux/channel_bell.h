// The bell's mapping as the claim's owner sees it: the mapping holds the claimed file open,
// and with it the claim's lock, so releasing a claim takes its bell away first.
#pragma once

// Stops watching the bell when it was mapped through claim; nothing otherwise.
void UnwatchBellOfClaim(int claim);
