// The discovery scan's free parts: the engine pointer that the list's sort callback
// needs, the callback itself, and the classful network arithmetic.
#pragma once

#include <windows.h>

#include <string>

class NRFindControllers;

// The one discovery engine of the controller object. A global because the list view's
// sort callback receives only two rows' item data and must still reach the engine.
extern NRFindControllers* ControllerFinder;

// LVM_SORTITEMS callback: ascending by upper-cased host name, compared byte by byte.
int CALLBACK CompareControllerNames(LPARAM firstIndex, LPARAM secondIndex, LPARAM unused);

// The classful network part of a dotted address ("10.1.2.3" gives "10"); "" without a dot.
std::string GetNetworkPrefix(const std::string& address);

// Completes a network prefix to its directed-broadcast address: ".255" appended once for
// each of the four dot-separated parts that is missing.
std::string CompleteBroadcastAddress(const std::string& prefix);
