// The choice an apply stores: which controller the web service uses and how often its
// pages refresh. A new part of the choice is a new member here, and the store and the
// reports that show it.
#pragma once

#include <string>

namespace cc {

struct Choice {
    std::string controller;   // the text as the operator typed it: a host name or an address
    int refreshMilliseconds;  // as stored in RefreshRate and refreshRate.xml
};

}  // namespace cc
