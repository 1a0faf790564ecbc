// Whether the companion runs with an administrator's full rights.
#pragma once

namespace cc {

// True when the process runs elevated; as far as can be told, yes, so that a failure
// to tell never blames the rights.
bool RunsElevated();

}  // namespace cc
